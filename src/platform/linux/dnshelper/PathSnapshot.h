#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace molvena::dnshelper {

// What one path held before the helper changed it: nothing, a file (contents, owner, mode) or a
// symbolic link (its target), so that removal puts back exactly that.
struct PathSnapshot {
    enum class Kind { absent, file, symlink, directory };

    std::filesystem::path path;
    Kind kind = Kind::absent;
    mode_t mode = 0644;
    uid_t owner = 0;
    gid_t group = 0;
    std::string data; // a file's contents or a link's target

    static PathSnapshot capture(const std::filesystem::path& path);
    // Puts the path back as captured. A directory that was absent goes only when empty.
    void restore() const;

    // The snapshots of one installation, kept in `folder` (written whole before anything changes).
    static void save(const std::vector<PathSnapshot>& snapshots, const std::filesystem::path& folder);
    // None when nothing is installed.
    static std::optional<std::vector<PathSnapshot>> load(const std::filesystem::path& folder);
    static void discard(const std::filesystem::path& folder);
};

// Replaces the file at `path` (a link there is replaced, never followed) by `contents` with this
// owner and mode: written beside it and renamed over it, so no reader sees half a file. A file that
// is a mount point of its own (a container's or a network namespace's resolv.conf) cannot be renamed
// over and is rewritten in place.
void replaceFile(const std::filesystem::path& path, const std::string& contents, mode_t mode, uid_t owner,
                 gid_t group);

} // namespace molvena::dnshelper
