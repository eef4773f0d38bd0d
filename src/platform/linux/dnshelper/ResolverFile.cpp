#include "ResolverFile.h"

#include "HelperError.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace molvena::dnshelper {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool isAddress(const std::string& text) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, text.c_str(), buffer) == 1 || inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

// A DNS name of letters, digits, hyphens and dots: nothing that could break out of a configuration
// line it is written into.
bool isHostName(const std::string& text) {
    if (text.empty() || text.size() > 253 || text.front() == '.' || text.back() == '.' ||
        text.find("..") != std::string::npos) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
    });
}

[[noreturn]] void invalid(const std::filesystem::path& path, const std::string& why) {
    throw HelperError(ExitStatus::badResolverFile,
                      "Molvenas resolverfil " + path.string() + " kan ikke bruges: " + why);
}

} // namespace

ResolverFile ResolverFile::read(const std::filesystem::path& path, unsigned requiredOwner) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        invalid(path, "den findes ikke eller kan ikke læses. Geninstallér pakken molvena.");
    }
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size < 4096) {
        text.resize(std::size_t(info.st_size));
        if (::read(fd, text.data(), text.size()) != ssize_t(text.size())) {
            text.clear();
        }
    }
    ::close(fd);
    if (!S_ISREG(info.st_mode) || text.empty()) {
        invalid(path, "den er tom eller ikke en almindelig fil.");
    }
    if ((info.st_uid != 0 && info.st_uid != requiredOwner) || (info.st_mode & (S_IWGRP | S_IWOTH))) {
        invalid(path, "den skal ejes af root og må kun kunne ændres af root.");
    }

    ResolverFile resolver;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto equals = line.find('=');
        const std::string key = equals == std::string::npos ? line : trimmed(line.substr(0, equals));
        const std::string value =
            equals == std::string::npos ? std::string() : trimmed(line.substr(equals + 1));
        if (key == "address" && isAddress(value)) {
            resolver.addresses.push_back(value);
        } else if (key == "tls-name" && isHostName(value) && resolver.tlsName.empty()) {
            resolver.tlsName = value;
        } else {
            invalid(path, "linjen \"" + line + "\" er ikke en gyldig adresse eller et gyldigt TLS-navn.");
        }
    }
    if (resolver.addresses.empty() || resolver.tlsName.empty()) {
        invalid(path, "den skal nævne mindst én adresse og resolverens TLS-navn.");
    }
    return resolver;
}

} // namespace molvena::dnshelper
