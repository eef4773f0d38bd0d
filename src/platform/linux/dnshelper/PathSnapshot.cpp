#include "PathSnapshot.h"

#include "HelperError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace molvena::dnshelper {

namespace fs = std::filesystem;

namespace {

const char* const kManifest = "manifest";

[[noreturn]] void failed(const std::string& what, const fs::path& path) {
    throw HelperError(ExitStatus::writeFailed,
                      "Kunne ikke " + what + " " + path.string() + ": " + std::strerror(errno));
}

std::string readWhole(int fd, const fs::path& path) {
    std::string contents;
    char buffer[8192];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            failed("læse", path);
        }
        if (count == 0) {
            return contents;
        }
        contents.append(buffer, std::size_t(count));
    }
}

void writeWhole(int fd, const std::string& contents, const fs::path& path) {
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t count = ::write(fd, contents.data() + written, contents.size() - written);
        if (count < 0) {
            failed("skrive", path);
        }
        written += std::size_t(count);
    }
}

// Owner and mode as captured; only root can give a file to someone else.
void applyOwnerAndMode(int fd, mode_t mode, uid_t owner, gid_t group, const fs::path& path) {
    if (::geteuid() == 0 && ::fchown(fd, owner, group) != 0) {
        failed("sætte ejer på", path);
    }
    if (::fchmod(fd, mode & 07777) != 0) {
        failed("sætte rettigheder på", path);
    }
}

} // namespace

void replaceFile(const fs::path& path, const std::string& contents, mode_t mode, uid_t owner, gid_t group) {
    const fs::path temporary = path.string() + ".molvena-new";
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        failed("oprette", temporary);
    }
    writeWhole(fd, contents, temporary);
    applyOwnerAndMode(fd, mode, owner, group, temporary);
    ::fsync(fd);
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) == 0) {
        return;
    }
    const int renameError = errno;
    ::unlink(temporary.c_str());
    errno = renameError;
    if (renameError != EBUSY) {
        failed("erstatte", path);
    }
    const int inPlace = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (inPlace < 0) {
        failed("åbne", path);
    }
    writeWhole(inPlace, contents, path);
    applyOwnerAndMode(inPlace, mode, owner, group, path);
    ::close(inPlace);
}

PathSnapshot PathSnapshot::capture(const fs::path& path) {
    PathSnapshot snapshot;
    snapshot.path = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            failed("undersøge", path);
        }
        return snapshot;
    }
    snapshot.mode = info.st_mode & 07777;
    snapshot.owner = info.st_uid;
    snapshot.group = info.st_gid;
    if (S_ISLNK(info.st_mode)) {
        snapshot.kind = Kind::symlink;
        snapshot.data = fs::read_symlink(path).string();
    } else if (S_ISDIR(info.st_mode)) {
        snapshot.kind = Kind::directory;
    } else if (S_ISREG(info.st_mode)) {
        snapshot.kind = Kind::file;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            failed("læse", path);
        }
        snapshot.data = readWhole(fd, path);
        ::close(fd);
    } else {
        throw HelperError(ExitStatus::unsupportedSystem,
                          path.string() + " er hverken en fil eller en henvisning; Molvena ændrer den ikke.");
    }
    return snapshot;
}

void PathSnapshot::restore() const {
    struct stat info {};
    const bool exists = ::lstat(path.c_str(), &info) == 0;
    switch (kind) {
    case Kind::absent:
        if (exists && S_ISDIR(info.st_mode)) {
            ::rmdir(path.c_str()); // left when someone else put files there meanwhile
        } else if (exists && ::unlink(path.c_str()) != 0) {
            failed("fjerne", path);
        }
        return;
    case Kind::directory:
        return; // never changed
    case Kind::file:
        replaceFile(path, data, mode, owner, group);
        return;
    case Kind::symlink: {
        const fs::path temporary = path.string() + ".molvena-new";
        ::unlink(temporary.c_str());
        if (::symlink(data.c_str(), temporary.c_str()) != 0) {
            failed("oprette", temporary);
        }
        if (::geteuid() == 0 && ::lchown(temporary.c_str(), owner, group) != 0) {
            failed("sætte ejer på", temporary);
        }
        if (::rename(temporary.c_str(), path.c_str()) != 0) {
            ::unlink(temporary.c_str());
            failed("gendanne", path);
        }
        return;
    }
    }
}

void PathSnapshot::save(const std::vector<PathSnapshot>& snapshots, const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    ::chmod(folder.c_str(), 0700);
    std::ostringstream manifest;
    for (std::size_t index = 0; index < snapshots.size(); ++index) {
        const PathSnapshot& snapshot = snapshots[index];
        manifest << int(snapshot.kind) << ' ' << snapshot.mode << ' ' << snapshot.owner << ' '
                 << snapshot.group << ' ' << snapshot.path.string() << '\n';
        replaceFile(folder / (std::to_string(index) + ".data"), snapshot.data, 0600, 0, 0);
    }
    // The manifest last: it is what says an installation exists.
    replaceFile(folder / kManifest, manifest.str(), 0600, 0, 0);
}

std::optional<std::vector<PathSnapshot>> PathSnapshot::load(const fs::path& folder) {
    std::ifstream manifest(folder / kManifest);
    if (!manifest) {
        return std::nullopt;
    }
    std::vector<PathSnapshot> snapshots;
    std::string line;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        int kind = 0;
        PathSnapshot snapshot;
        std::string path;
        fields >> kind >> snapshot.mode >> snapshot.owner >> snapshot.group;
        std::getline(fields >> std::ws, path);
        if (!fields.eof() && fields.fail()) {
            break;
        }
        snapshot.kind = Kind(kind);
        snapshot.path = path;
        std::ifstream data(folder / (std::to_string(snapshots.size()) + ".data"), std::ios::binary);
        snapshot.data.assign(std::istreambuf_iterator<char>(data), std::istreambuf_iterator<char>());
        snapshots.push_back(std::move(snapshot));
    }
    return snapshots;
}

void PathSnapshot::discard(const fs::path& folder) {
    std::error_code error;
    fs::remove_all(folder, error);
}

} // namespace molvena::dnshelper
