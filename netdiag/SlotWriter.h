#pragma once
// The text a network probe writes into its result slot.
//
// How stopping works: the run never kills a probe thread (a thread killed while it holds the
// process heap's lock would freeze every later allocation). A probe writes through a SlotWriter
// whose every completed write is published to a shared slot under that slot's lock. When the run
// stops waiting, it seals every slot: the slot keeps what was complete at that moment, and later
// writes of the abandoned probe go nowhere. A section still being written when it is sealed is
// kept with what it holds, closed by the cut line. The shared slots outlive the run for as long
// as any probe thread still holds them.
#include <windows.h>

#include <functional>
#include <memory>

#include "base/AnsiString.h"
#include "base/Scoped.h"
#include "netdiag/RunFolder.h"

namespace rk {

class ConsoleTools;
class SharedSlot;

// What a probe has gathered beyond its published text, asked for when its slot is sealed.
using PendingText = std::function<AnsiString()>;

class SlotWriter {
public:
    // A standalone text, as the tests use it.
    SlotWriter() = default;
    // A text that publishes into a shared slot.
    explicit SlotWriter(SharedSlot* slot) : m_slot(slot) {}
    // The probe is done with its section, whatever it holds.
    ~SlotWriter();
    SlotWriter(const SlotWriter&) = delete;
    SlotWriter& operator=(const SlotWriter&) = delete;

    void Set(const AnsiString& text);
    void Append(const AnsiString& text);
    void Append(const char* text) { Append(AnsiString(text)); }
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // What this probe has written so far.
    const AnsiString& Text() const { return m_text; }
    // Until the next write, a seal adds what `pending` gives behind the text.
    void Follow(PendingText pending);
    // Hands a console tool, created suspended, to the run that owns the slot. False when that
    // run is over: the tool has been ended. A standalone text lets every tool run.
    bool AdoptTool(HANDLE process);
    // The run's private folder for temporary files; without one, the writer makes one of its
    // own. Null when no folder could be made.
    RunFolder* Folder();

private:
    void Publish();

    AnsiString m_text;
    SharedSlot* m_slot = nullptr;
    std::unique_ptr<RunFolder> m_ownFolder;
};

// One result slot shared between the run and a probe thread.
class SharedSlot {
public:
    SharedSlot() = default;
    SharedSlot(const SharedSlot&) = delete;
    SharedSlot& operator=(const SharedSlot&) = delete;

    // The run's console tools and temp folder, for the probes that use them.
    void SetRun(ConsoleTools* tools, RunFolder* folder) {
        m_tools = tools;
        m_folder = folder;
    }
    ConsoleTools* Tools() const { return m_tools; }
    RunFolder* Folder() const { return m_folder; }

    // Replaces the slot's text unless the slot is sealed; the section is unfinished until Finish.
    void Store(const AnsiString& text);
    void Follow(PendingText pending);
    void Finish();
    // Seals the slot and returns its text: an unfinished section cut off where it stands.
    AnsiString Seal();

private:
    CriticalSection m_lock;
    AnsiString m_text;
    PendingText m_pending;
    bool m_written = false;
    bool m_finished = false;
    bool m_sealed = false;
    ConsoleTools* m_tools = nullptr;
    RunFolder* m_folder = nullptr;
};

}  // namespace rk
