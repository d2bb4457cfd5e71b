#include "netdiag/SlotWriter.h"

#include <cstdarg>

#include "netdiag/ConsoleTools.h"
#include "netdiag/DiagnosisText.h"
#include "netdiag/RunFolder.h"

namespace rk {

SlotWriter::~SlotWriter() {
    if (m_slot) m_slot->Finish();
}

void SlotWriter::Follow(PendingText pending) {
    if (m_slot) m_slot->Follow(std::move(pending));
}

bool SlotWriter::AdoptTool(HANDLE process) {
    ConsoleTools* tools = m_slot ? m_slot->Tools() : nullptr;
    return !tools || tools->Adopt(process);
}

RunFolder* SlotWriter::Folder() {
    if (m_slot && m_slot->Folder()) return m_slot->Folder();
    if (!m_ownFolder) m_ownFolder.reset(new RunFolder);
    return *m_ownFolder ? m_ownFolder.get() : nullptr;
}

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
    if (m_sealed) return;
    m_text = text;
    m_pending = nullptr;
    m_written = true;
    m_finished = false;
}

void SharedSlot::Follow(PendingText pending) {
    LockGuard hold(m_lock);
    if (!m_sealed) m_pending = std::move(pending);
}

void SharedSlot::Finish() {
    LockGuard hold(m_lock);
    if (m_sealed) return;
    m_pending = nullptr;
    m_finished = true;
}

AnsiString SharedSlot::Seal() {
    LockGuard hold(m_lock);
    if (!m_sealed) {
        m_sealed = true;
        if (m_written && !m_finished) {
            AnsiString partial = m_text;
            // Under the lock: the probe cannot move on and take away what is pending meanwhile.
            try {
                if (m_pending) partial += m_pending();
            } catch (...) {
            }
            m_text = CutSection(partial);
        }
        m_pending = nullptr;
    }
    return m_text;
}

}  // namespace rk
