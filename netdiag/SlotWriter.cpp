#include "netdiag/SlotWriter.h"

#include <cstdarg>

namespace rk {

void SlotWriter::Set(const AnsiString& text) {
    m_text = text;
    Publish();
}

void SlotWriter::Append(const AnsiString& text) {
    m_text += text;
    Publish();
}

void SlotWriter::AppendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_text += FormatAnsiV(format, args);
    va_end(args);
    Publish();
}

void SlotWriter::Publish() {
    if (m_slot) m_slot->Store(m_text);
}

void SharedSlot::Store(const AnsiString& text) {
    LockGuard hold(m_lock);
    if (!m_sealed) m_text = text;
}

AnsiString SharedSlot::Seal() {
    LockGuard hold(m_lock);
    m_sealed = true;
    return m_text;
}

}  // namespace rk
