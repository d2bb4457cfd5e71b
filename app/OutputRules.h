#pragma once
// The decisions of the copy and save commands, free of window and file calls.
#include <cstddef>
#include <cstdint>

#include <string>

#include "base/AnsiString.h"

namespace rk {

extern const char kCopyConfirmText[];
extern const char kCopyFailedText[];
extern const char kOutputCaption[];
extern const char kForumNewThreadPath[];
extern const char kDefaultSaveName[];
extern const char kSaveFilter[];

// "http://" + host + the forum's new-thread page.
AnsiString ForumNewThreadUrl(const char* host);

// A filter in the framework's form, "text|pattern|...|", turned into the file dialog's form:
// every '|' becomes a NUL and the list ends with a double NUL (the string's own terminator
// supplies the last one).
AnsiString NativeFileFilter(const char* frameworkFilter);

// The path the save dialog chose, from its name buffer and nFileOffset (in characters: paths are
// UTF-16). With multiple selection allowed the buffer may hold a folder and then names, each
// NUL-terminated; the first name is the one used. Otherwise it holds the full path.
std::wstring ChosenSavePath(const wchar_t* buffer, size_t bufferSize, uint16_t fileOffset);

// What the clipboard was found to hold after the copy.
struct ClipboardView {
    bool opened;      // the clipboard could be opened for reading
    bool hasText;     // it offers text
    AnsiString text;  // that text as report bytes, when it does
};

// The copy worked only when the clipboard holds the report: the same text once line ends are made
// alike and closing zeros dropped. An empty report counts as held when the clipboard offers no
// text or an empty one.
bool ClipboardHoldsReport(const ClipboardView& clipboard, const AnsiString& report);

// Another program may hold the clipboard open for a moment; the copy and the look at its outcome
// are tried this many times, this far apart: about a quarter of a second in all.
constexpr int kClipboardAttempts = 11;
constexpr uint32_t kClipboardRetryMs = 25;

// The copy worked only when the clipboard changed since `sequenceBefore` (nothing is emptied
// beforehand, so an unchanged clipboard still holds what the user had) and now holds the report.
bool CopySucceeded(uint32_t sequenceBefore, uint32_t sequenceAfter, const ClipboardView& clipboard,
                   const AnsiString& report);

// The folder part of a full path, where a temporary file beside the file goes: everything before
// the last backslash, which keeps its backslash when it is the root's ("C:\"). "." when there is
// none.
std::wstring FolderOfPath(const std::wstring& path);

// An on-access scanner may hold the new file for a moment after it is written: the replace is
// tried this many times, this far apart, about a second in all.
constexpr int kReplaceAttempts = 11;
constexpr uint32_t kReplaceRetryMs = 100;

// The save worked only when the file was created and every byte of the text was written.
bool SaveComplete(bool created, bool writeOk, uint32_t written, size_t length);

// The message that a save failed, naming the path.
AnsiString SaveFailedText(const AnsiString& path);

}  // namespace rk
