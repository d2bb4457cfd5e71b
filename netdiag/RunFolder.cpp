#include "netdiag/RunFolder.h"

#include <winternl.h>
#include <ntsecapi.h>
#include <aclapi.h>

#include <cstdio>
#include <vector>

#include "base/DesktopUser.h"
#include "base/Scoped.h"

namespace rk {

namespace {

#ifndef FILE_CREATE
constexpr ULONG FILE_CREATE = 0x00000002;
#endif
#ifndef FILE_DIRECTORY_FILE
constexpr ULONG FILE_DIRECTORY_FILE = 0x00000001;
#endif
#ifndef FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG FILE_SYNCHRONOUS_IO_NONALERT = 0x00000020;
#endif
constexpr DWORD kDeleteRetryMs = 50;

using Sid = std::vector<BYTE>;

Sid WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    Sid sid(size);
    if (!::CreateWellKnownSid(type, nullptr, sid.data(), &size)) return Sid();
    sid.resize(size);
    return sid;
}

Sid OwnUserSid() {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return Sid();
    return TokenUserSid(token.get());
}

// Who may write a run folder: Administrators and SYSTEM, and the tool's own user where its token
// is no administrator's (then the tool could not use its own folder otherwise).
std::vector<Sid> FolderWriters(bool withUser = false) {
    std::vector<Sid> writers;
    Sid admins = WellKnownSid(WinBuiltinAdministratorsSid);
    Sid system = WellKnownSid(WinLocalSystemSid);
    if (admins.empty() || system.empty()) return {};
    BOOL member = FALSE;
    if (!::CheckTokenMembership(nullptr, admins.data(), &member)) member = FALSE;
    writers.push_back(std::move(admins));
    writers.push_back(std::move(system));
    if (!member || withUser) {
        Sid user = OwnUserSid();
        if (user.empty()) return {};
        writers.push_back(std::move(user));
    }
    return writers;
}

// A protected DACL granting the writers full access, inherited by what the folder holds.
bool BuildDescriptor(const std::vector<Sid>& writers, std::vector<BYTE>& aclBuffer,
                     SECURITY_DESCRIPTOR& descriptor) {
    DWORD size = sizeof(ACL);
    for (const Sid& sid : writers) size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(sid.size());
    aclBuffer.assign(size, 0);
    ACL* acl = reinterpret_cast<ACL*>(aclBuffer.data());
    if (!::InitializeAcl(acl, size, ACL_REVISION)) return false;
    for (const Sid& sid : writers)
        if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                                     const_cast<unsigned char*>(sid.data())))
            return false;
    return ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
           ::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

// The kernel's name for a full Win32 path.
std::wstring NtPath(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0) return L"\\??\\" + path.substr(4);
    if (path.compare(0, 2, L"\\\\") == 0) return L"\\??\\UNC\\" + path.substr(2);
    return L"\\??\\" + path;
}

// Creates the directory and opens it in one step, so the handle is the folder just made and not
// one that another program put at its name in between; no delete sharing keeps it there.
NTSTATUS CreateHeldDirectory(const std::wstring& path, SECURITY_DESCRIPTOR* descriptor, HANDLE* handle) {
    using CreateFn = decltype(&::NtCreateFile);
    static const auto create =
        reinterpret_cast<CreateFn>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtCreateFile"));
    if (!create) return static_cast<NTSTATUS>(0xC0000002);  // STATUS_NOT_IMPLEMENTED
    std::wstring ntPath = NtPath(path);
    UNICODE_STRING name;
    name.Buffer = &ntPath[0];
    name.Length = static_cast<USHORT>(ntPath.size() * sizeof(wchar_t));
    name.MaximumLength = name.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, descriptor);
    IO_STATUS_BLOCK status = {};
    return create(handle, FILE_LIST_DIRECTORY | READ_CONTROL | SYNCHRONIZE, &attributes, &status, nullptr,
                  FILE_ATTRIBUTE_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
                  FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
}

bool RandomName(std::wstring& name) {
    unsigned char bytes[12];
    if (!::RtlGenRandom(bytes, sizeof bytes)) return false;
    wchar_t text[2 * sizeof bytes + 1];
    for (size_t i = 0; i < sizeof bytes; ++i) std::swprintf(text + 2 * i, 3, L"%02x", bytes[i]);
    name = std::wstring(RunFolder::kPrefix) + text;
    return true;
}

// Deletes the plain files directly in `folder`; links are deleted, never followed.
void DeleteFilesIn(const std::wstring& folder, DWORD graceMs) {
    WIN32_FIND_DATAW found;
    UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return;
    std::vector<std::wstring> names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(folder + L"\\" + found.cFileName);
    } while (::FindNextFileW(find.get(), &found));
    find.reset();
    const DWORD start = ::GetTickCount();
    for (const std::wstring& name : names) {
        const DWORD spent = ::GetTickCount() - start;
        DeleteWhenFree(name, spent < graceMs ? graceMs - spent : 0);
    }
}

bool OwnedByWriter(HANDLE folder, const std::vector<Sid>& writers) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS)
        return false;
    UniqueLocal hold(descriptor);
    for (const Sid& sid : writers)
        if (owner && ::EqualSid(owner, const_cast<unsigned char*>(sid.data()))) return true;
    return false;
}

// The folder itself, a link included, never what a link names; no delete sharing.
HANDLE OpenFolder(const std::wstring& path, DWORD access) {
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

std::wstring UserTempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return std::wstring();
    // A relative TEMP would resolve against the current directory: the full path, once.
    wchar_t full[MAX_PATH + 1] = {};
    const DWORD fullLength = ::GetFullPathNameW(temp, MAX_PATH + 1, full, nullptr);
    if (fullLength == 0 || fullLength > MAX_PATH) return std::wstring();
    std::wstring path(full, fullLength);
    if (path.back() != L'\\') path += L'\\';
    return path;
}

void DeleteWhenFree(const std::wstring& path, DWORD graceMs) {
    const DWORD start = ::GetTickCount();
    while (!::DeleteFileW(path.c_str())) {
        const DWORD error = ::GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || ::GetTickCount() - start >= graceMs)
            return;
        ::Sleep(kDeleteRetryMs);
    }
    // A file deleted while an ended tool's handle is still being closed keeps its name until then
    // (Wine closes an ended process's handles after its end is signalled), and its folder with it.
    while (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && ::GetTickCount() - start < graceMs)
        ::Sleep(kDeleteRetryMs);
}

bool RunFolder::Security::Build() {
    const std::vector<Sid> writers = FolderWriters();
    return !writers.empty() && BuildDescriptor(writers, acl, descriptor);
}

RunFolder::RunFolder() {
    const std::wstring temp = UserTempFolder();
    if (temp.empty()) {
        m_error = ERROR_PATH_NOT_FOUND;
        return;
    }
    SweepEarlier(temp);
    Security security;
    if (!security.Build()) {
        m_error = ::GetLastError() ? ::GetLastError() : ERROR_ACCESS_DENIED;
        return;
    }
    std::wstring name;
    if (!RandomName(name)) {
        m_error = ERROR_GEN_FAILURE;
        return;
    }
    const std::wstring path = temp + name;
    // Room for a file name of the run's inside it, within MAX_PATH.
    if (path.size() + 40 > MAX_PATH) {
        m_error = ERROR_BUFFER_OVERFLOW;
        return;
    }
    HANDLE folder = nullptr;
    const NTSTATUS status = CreateHeldDirectory(path, &security.descriptor, &folder);
    if (status < 0) {
        m_error = ERROR_CANNOT_MAKE;
        return;
    }
    m_hold.reset(folder);
    m_path = path;
}

RunFolder::~RunFolder() {
    if (m_path.empty()) return;
    const DWORD start = ::GetTickCount();
    DeleteFilesIn(m_path, kGraceMs);
    m_hold.reset();
    // The last file's name may outlive its deletion by a moment (DeleteWhenFree): so may the folder.
    while (!::RemoveDirectoryW(m_path.c_str()) && ::GetLastError() == ERROR_DIR_NOT_EMPTY &&
           ::GetTickCount() - start < kGraceMs)
        ::Sleep(kDeleteRetryMs);
}

std::wstring RunFolder::NewFilePath(const std::wstring& name) {
    if (m_path.empty()) return std::wstring();
    wchar_t number[16];
    std::swprintf(number, 16, L"\\%ld-", static_cast<long>(::InterlockedIncrement(&m_files)));
    std::wstring path = m_path + number + name;
    return path.size() < MAX_PATH ? path : std::wstring();
}

void RunFolder::SweepEarlier(const std::wstring& tempDir) {
    // An elevated administrator's folders belong to Administrators, or to the user where the
    // token's default owner is the user (and wherever the file system keeps no owner: Wine).
    const std::vector<Sid> owners = FolderWriters(true);
    if (owners.empty()) return;
    WIN32_FIND_DATAW found;
    UniqueFind find(::FindFirstFileW((tempDir + kPrefix + L"*").c_str(), &found));
    if (!find) return;
    do {
        // Only real directories: a link at such a name is another program's, and is left alone.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const std::wstring path = tempDir + found.cFileName;
        // A live run holds its folder without delete sharing: an open for deletion fails for it.
        // Then a handle without delete access holds the folder in place while it is emptied
        // (the enumeration would conflict with one that has it).
        if (!UniqueHandle(OpenFolder(path, DELETE))) continue;
        UniqueHandle folder(OpenFolder(path, READ_CONTROL | FILE_LIST_DIRECTORY));
        if (!folder) continue;
        BY_HANDLE_FILE_INFORMATION info;
        if (!::GetFileInformationByHandle(folder.get(), &info) ||
            !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !OwnedByWriter(folder.get(), owners))
            continue;
        DeleteFilesIn(path, 0);
        folder.reset();
        ::RemoveDirectoryW(path.c_str());
    } while (::FindNextFileW(find.get(), &found));
}

}  // namespace rk
