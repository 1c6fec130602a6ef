#pragma once

// What an attacker or an unlucky operator leaves in the place of a file a program is about to write:
// each thing, made in a test's own folder, and a way to tell that it is still what it was.

#ifndef _WIN32

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace horavane::test {

struct HostileThing {
    std::string name;
    bool made = false;  // a device needs root: without it, the row is passed over
};

// Makes each at `folder / name`: a FIFO, a socket, a folder, a character device (root only, the
// numbers of /dev/null), a link to nothing, a link to a folder, a link to a FIFO.
inline std::vector<HostileThing> MakeHostileThings(const std::filesystem::path& folder) {
    std::vector<HostileThing> things;
    const auto at = [&](const char* name) { return (folder / name).string(); };
    things.push_back({"fifo", ::mkfifo(at("fifo").c_str(), 0644) == 0});
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = at("socket");
        bool bound = fd >= 0 && path.size() < sizeof address.sun_path;
        if (bound) {
            std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
            bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        }
        if (fd >= 0) ::close(fd);  // the socket file stays
        things.push_back({"socket", bound});
    }
    std::error_code code;
    things.push_back({"folder", std::filesystem::create_directory(folder / "folder", code)});
    things.push_back({"device", ::mknod(at("device").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0});
    std::filesystem::create_symlink(folder / "nowhere", folder / "dangling", code);
    things.push_back({"dangling", !code});
    std::filesystem::create_symlink("folder", folder / "link-to-folder", code);
    things.push_back({"link-to-folder", !code});
    std::filesystem::create_symlink(folder / "fifo", folder / "link-to-fifo", code);
    things.push_back({"link-to-fifo", !code});
    return things;
}

// The type and identity of what is at `path`, links not followed: what "left as it was" compares.
inline std::string Identity(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return "missing";
    return std::to_string(info.st_mode) + "/" + std::to_string(info.st_ino) + "/" +
           std::to_string(info.st_size);
}

}  // namespace horavane::test

#endif
