#include "netdiag/ProbeText.h"

#include <cstdarg>

namespace rk {

void ProbeText::Set(const AnsiString& text) {
    m_text = text;
    Publish();
}

void ProbeText::Append(const AnsiString& text) {
    m_text += text;
    Publish();
}

void ProbeText::AppendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_text += FormatAnsiV(format, args);
    va_end(args);
    Publish();
}

HANDLE ProbeText::RunEnded() const { return m_slot ? m_slot->RunEnded() : nullptr; }

void ProbeText::Publish() {
    if (m_slot) m_slot->Store(m_text);
}

void SharedSlot::Store(const AnsiString& text) {
    ::EnterCriticalSection(&m_lock);
    if (!m_sealed) m_text = text;
    ::LeaveCriticalSection(&m_lock);
}

AnsiString SharedSlot::Seal() {
    ::EnterCriticalSection(&m_lock);
    m_sealed = true;
    AnsiString text = m_text;
    ::LeaveCriticalSection(&m_lock);
    return text;
}

}  // namespace rk
