#include "storage/foldervfs.h"

#include "storage/database.h"

#include <sqlite3.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace korvalen {

namespace {

// The bytes kept around a resolved name: zero bytes before it and an empty
// parameter list after it, as SQLite lays out the names it hands a layer.
constexpr int kNameLead = 4;
constexpr int kNameTail = 3;
// How much longer than a data file's name a journal's or super-journal's is.
constexpr int kSuffixRoom = 64;

struct FolderVfs
{
    sqlite3_vfs vfs = {};
    sqlite3_vfs *base = nullptr;
    std::string name;
    std::string folder; // the folder's full name as the base layer gives it, with a final '/'
    int nameRoom = 0;   // bytes after each open file for the name the base layer keeps
};

FolderVfs &folderOf(sqlite3_vfs *vfs)
{
    return *static_cast<FolderVfs *>(vfs->pAppData);
}

bool baseHas(sqlite3_vfs *base, const std::string &path)
{
    int found = 0;
    return base->xAccess(base, path.c_str(), SQLITE_ACCESS_EXISTS, &found) == SQLITE_OK && found;
}

// The path the base layer is given for `name`: a bare name is a file of the
// folder; a super-journal named by a full path that is not there is looked
// for in the folder under its own name.
std::string resolve(const FolderVfs &folder, const char *name)
{
    if (name[0] != '/')
        return folder.folder + name;
    std::string_view full(name);
    std::string_view leaf = full.substr(full.rfind('/') + 1);
    static const std::string superJournal = std::string(Database::mainFileName) + "-mj";
    if (leaf.starts_with(superJournal) && !baseHas(folder.base, name)) {
        std::string here = folder.folder + std::string(leaf);
        if (baseHas(folder.base, here))
            return here;
    }
    return name;
}

int folderOpen(sqlite3_vfs *vfs, sqlite3_filename name, sqlite3_file *file, int flags,
               int *outFlags)
{
    FolderVfs &folder = folderOf(vfs);
    if (!name)
        return folder.base->xOpen(folder.base, name, file, flags, outFlags);
    std::string path = resolve(folder, name);
    if (static_cast<int>(path.size()) + kNameLead + kNameTail > folder.nameRoom)
        return SQLITE_CANTOPEN;
    // The base layer keeps the name it is given while the file is open, so
    // it lives in the room allocated after the file itself.
    char *room = reinterpret_cast<char *>(file) + folder.base->szOsFile;
    std::memset(room, 0, kNameLead);
    std::memcpy(room + kNameLead, path.c_str(), path.size());
    std::memset(room + kNameLead + path.size(), 0, kNameTail);
    return folder.base->xOpen(folder.base, room + kNameLead, file, flags, outFlags);
}

int folderDelete(sqlite3_vfs *vfs, const char *name, int syncDirectory)
{
    FolderVfs &folder = folderOf(vfs);
    return folder.base->xDelete(folder.base, resolve(folder, name).c_str(), syncDirectory);
}

int folderAccess(sqlite3_vfs *vfs, const char *name, int flags, int *result)
{
    FolderVfs &folder = folderOf(vfs);
    return folder.base->xAccess(folder.base, resolve(folder, name).c_str(), flags, result);
}

// A file of the folder is named by its name alone; anything else keeps the
// full name the base layer gives it.
int folderFullPathname(sqlite3_vfs *vfs, const char *name, int size, char *out)
{
    FolderVfs &folder = folderOf(vfs);
    if (name[0] != '/' && !std::strchr(name, '/')) {
        // Already a name of this folder (SQLite may hand back what it got).
        if (static_cast<int>(std::strlen(name)) >= size)
            return SQLITE_CANTOPEN;
        std::strcpy(out, name);
        return SQLITE_OK;
    }
    int rc = folder.base->xFullPathname(folder.base, name, size, out);
    if ((rc & 0xFF) != SQLITE_OK)
        return rc;
    std::size_t length = folder.folder.size();
    if (std::strncmp(out, folder.folder.c_str(), length) == 0 && out[length] != '\0' &&
        !std::strchr(out + length, '/'))
        std::memmove(out, out + length, std::strlen(out + length) + 1);
    return rc;
}

// Everything else is the base layer's own.
void *folderDlOpen(sqlite3_vfs *vfs, const char *name)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    return base->xDlOpen(base, name);
}
void folderDlError(sqlite3_vfs *vfs, int size, char *message)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    base->xDlError(base, size, message);
}
void (*folderDlSym(sqlite3_vfs *vfs, void *handle, const char *symbol))(void)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    return base->xDlSym(base, handle, symbol);
}
void folderDlClose(sqlite3_vfs *vfs, void *handle)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    base->xDlClose(base, handle);
}
int folderRandomness(sqlite3_vfs *vfs, int size, char *out)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    return base->xRandomness(base, size, out);
}
int folderSleep(sqlite3_vfs *vfs, int microseconds)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    return base->xSleep(base, microseconds);
}
int folderCurrentTime(sqlite3_vfs *vfs, double *now)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    return base->xCurrentTime(base, now);
}
int folderGetLastError(sqlite3_vfs *vfs, int size, char *message)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    return base->xGetLastError(base, size, message);
}
int folderCurrentTimeInt64(sqlite3_vfs *vfs, sqlite3_int64 *now)
{
    sqlite3_vfs *base = folderOf(vfs).base;
    return base->xCurrentTimeInt64(base, now);
}

std::unique_ptr<FolderVfs> makeFolderVfs(sqlite3_vfs *base, const std::string &folderName,
                                         std::size_t index)
{
    auto folder = std::make_unique<FolderVfs>();
    folder->base = base;
    folder->folder = folderName;
    folder->name = "korvalen-folder-" + std::to_string(index);
    folder->nameRoom = base->mxPathname + kSuffixRoom + kNameLead + kNameTail;
    sqlite3_vfs &vfs = folder->vfs;
    vfs.iVersion = 2;
    vfs.szOsFile = base->szOsFile + folder->nameRoom;
    vfs.mxPathname = base->mxPathname;
    vfs.zName = folder->name.c_str();
    vfs.pAppData = folder.get();
    vfs.xOpen = folderOpen;
    vfs.xDelete = folderDelete;
    vfs.xAccess = folderAccess;
    vfs.xFullPathname = folderFullPathname;
    vfs.xDlOpen = folderDlOpen;
    vfs.xDlError = folderDlError;
    vfs.xDlSym = folderDlSym;
    vfs.xDlClose = folderDlClose;
    vfs.xRandomness = folderRandomness;
    vfs.xSleep = folderSleep;
    vfs.xCurrentTime = folderCurrentTime;
    vfs.xGetLastError = folderGetLastError;
    vfs.xCurrentTimeInt64 = folderCurrentTimeInt64;
    return folder;
}

} // namespace

std::string folderVfsName(const std::filesystem::path &directory)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<FolderVfs>> folders;

    sqlite3_vfs *base = sqlite3_vfs_find(nullptr);
    if (!base || base->iVersion < 2)
        return {};
    // The folder is named as the base layer names the files in it (links
    // resolved), so that its files are recognised by that prefix.
    std::vector<char> full(static_cast<std::size_t>(base->mxPathname) + 1);
    std::string probe = (std::filesystem::absolute(directory) / Database::mainFileName).string();
    int rc = base->xFullPathname(base, probe.c_str(), base->mxPathname + 1, full.data());
    if ((rc & 0xFF) != SQLITE_OK)
        return {};
    std::string folderName(full.data());
    folderName.erase(folderName.rfind('/') + 1);

    std::lock_guard lock(mutex);
    auto found = folders.find(folderName);
    if (found != folders.end())
        return found->second->name;
    auto folder = makeFolderVfs(base, folderName, folders.size());
    if (sqlite3_vfs_register(&folder->vfs, 0) != SQLITE_OK)
        return {};
    std::string name = folder->name;
    folders.emplace(folderName, std::move(folder));
    return name;
}

} // namespace korvalen
