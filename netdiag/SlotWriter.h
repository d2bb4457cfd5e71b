#pragma once
// The text a network probe writes into its result slot.
//
// How stopping works: the run never kills a probe thread (a thread killed while it holds the
// process heap's lock would freeze every later allocation). A probe writes through a SlotWriter
// whose every completed write is published to a shared slot under that slot's lock. When the run
// stops waiting, it seals every slot: the slot keeps what was complete at that moment, and later
// writes of the abandoned probe go nowhere. The shared slots outlive the run for as long as any
// probe thread still holds them.
#include <windows.h>

#include "base/AnsiString.h"
#include "base/Scoped.h"

namespace rk {

class SharedSlot;

class SlotWriter {
public:
    // A standalone text, as the tests use it.
    SlotWriter() = default;
    // A text that publishes into a shared slot.
    explicit SlotWriter(SharedSlot* slot) : m_slot(slot) {}
    SlotWriter(const SlotWriter&) = delete;
    SlotWriter& operator=(const SlotWriter&) = delete;

    void Set(const AnsiString& text);
    void Append(const AnsiString& text);
    void Append(const char* text) { Append(AnsiString(text)); }
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // What this probe has written so far.
    const AnsiString& Text() const { return m_text; }

private:
    void Publish();

    AnsiString m_text;
    SharedSlot* m_slot = nullptr;
};

// One result slot shared between the run and a probe thread.
class SharedSlot {
public:
    SharedSlot() = default;
    SharedSlot(const SharedSlot&) = delete;
    SharedSlot& operator=(const SharedSlot&) = delete;

    // Replaces the slot's text unless the slot is sealed.
    void Store(const AnsiString& text);
    // Seals the slot and returns its text as it stands.
    AnsiString Seal();

private:
    CriticalSection m_lock;
    AnsiString m_text;
    bool m_sealed = false;
};

}  // namespace rk
