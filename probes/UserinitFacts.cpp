#include <shlwapi.h>

#include <cstdarg>
#include <cstring>

#include "base/VersionText.h"
#include "probes/BoundedText.h"
#include "probes/FileFacts.h"
#include "probes/ImageCheck.h"
#include "probes/Md5.h"
#include "probes/SignatureVerifier.h"
#include "probes/SystemProbes.h"
#include "probes/VersionInfoReader.h"

namespace rk {
namespace {

// Formats at the end of the text already in block, within the room left there.
void FormatAtEnd(char* block, uint32_t capacity, const char* format, ...) __attribute__((format(ms_printf, 3, 4)));
void FormatAtEnd(char* block, uint32_t capacity, const char* format, ...) {
    uint32_t used = 0;
    if (BoundedLength(block, capacity, &used) != kBoundedOk) return;
    va_list args;
    va_start(args, format);
    BoundedFormatV(block + used, capacity - used, format, args);
    va_end(args);
}

}  // namespace

void FormatFactLines(const FileFacts& facts, char* block, uint32_t capacity) {
    char digest[33];
    BoundedAppend(block, capacity, "MD5: ");
    BoundedAppend(block, capacity, FormatDigestHex(facts.md5, digest));
    BoundedAppend(block, capacity, "\r\n");
    FormatAtEnd(block, capacity, "文件大小: %d\r\n", facts.size);
    FormatAtEnd(block, capacity, "版本信息: %s\r\n", facts.version);
    FormatAtEnd(block, capacity, "是否签名: %s\r\n", facts.signedFile ? "是" : "否!!!!!");
}

bool GatherFileFacts(const char* path, FileFacts* facts) {
    if (!facts) return false;
    facts->infected = IsImageInfected(path);
    ComputeFileMd5(path, facts->md5);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    std::memset(&attributes, 0, sizeof attributes);
    ::GetFileAttributesExA(path, GetFileExInfoStandard, &attributes);
    facts->size = static_cast<int32_t>(attributes.nFileSizeLow);
    {
        VersionInfoReader reader;
        char* version = nullptr;
        UINT length = 0;
        // The answer need not end in a zero: take at most its length, within the block.
        if (reader.Load(path) && reader.GetFileVersion(&version, &length))
            CopyVersionText(reader.Block(), reader.BlockSize(), version, length, facts->version, sizeof facts->version);
        SignatureVerifier verifier;
        facts->signedFile = verifier.Verify(path);
    }
    return true;
}

bool AppendUserinitFacts(char* text, uint32_t size) {
    char path[MAX_PATH] = {};
    ::GetWindowsDirectoryA(path, MAX_PATH);
    BoundedAppend(path, MAX_PATH, "\\system32\\userinit.exe");
    FileFacts facts;
    std::memset(&facts, 0, sizeof facts);
    if (!::PathFileExistsA(path)) return false;
    if (!GatherFileFacts(path, &facts)) return false;
    char block[kFactBlockSize] = {};
    FormatFactLines(facts, block, sizeof block);
    if (size <= kBoundedMaxCapacity) BoundedAppend(text, size, block);
    return facts.infected;
}

}  // namespace rk
