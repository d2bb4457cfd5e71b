#pragma once
// The decisions of the copy and save commands, free of window and file calls.
#include <cstddef>
#include <cstdint>

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

// The path the save dialog chose, from its name buffer and nFileOffset. With multiple selection
// allowed the buffer may hold a folder and then names, each NUL-terminated; the first name is the
// one used. Otherwise it holds the full path.
AnsiString ChosenSavePath(const char* buffer, size_t bufferSize, uint16_t fileOffset);

// What the clipboard was found to hold after the copy.
struct ClipboardView {
    bool opened;      // the clipboard could be opened for reading
    bool hasText;     // it offers CF_TEXT
    AnsiString text;  // that text, when it does
};

// The copy worked only when the clipboard holds the report exactly. An empty report counts as
// held when the clipboard offers no text or an empty one.
bool ClipboardHoldsReport(const ClipboardView& clipboard, const AnsiString& report);

// The save worked only when the file was created and every byte of the text was written.
bool SaveComplete(bool created, bool writeOk, uint32_t written, size_t length);

// The message that a save failed, naming the path.
AnsiString SaveFailedText(const AnsiString& path);

}  // namespace rk
