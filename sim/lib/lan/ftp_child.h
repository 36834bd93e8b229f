#pragma once
// The printer's FTP server: pyftpdlib run by /usr/bin/python3 as a child process, serving
// one folder (the printer's download area) at one address. The child ends with this
// object, and by itself as soon as its standard input closes, so it never outlives the
// simulator, whatever way the simulator ends.

#include "core/unique_fd.h"

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kyv::sim {

struct FtpServerSettings {
    std::string address; // a.b.c.d
    uint16_t port = 21;  // 0: any free port
    std::string folder;
    std::string user;
    std::string password; // empty: anonymous, any password
    bool refuseLogin = false;
};

class FtpChild {
public:
    FtpChild() = default;
    ~FtpChild() { stop(); }
    FtpChild(const FtpChild&) = delete;
    FtpChild& operator=(const FtpChild&) = delete;

    // Starts the server and waits until it listens. False with errorText() otherwise.
    bool start(const FtpServerSettings& settings);
    // Ends the child and collects it; safe to call twice.
    void stop();
    bool running() const { return pid_ > 0; }
    uint16_t port() const { return port_; }
    const std::string& errorText() const { return error_; }

private:
    pid_t pid_ = -1;
    UniqueFd input_;  // the child's standard input: its end tells the child to go
    UniqueFd output_; // the child's standard output: its port, then nothing
    uint16_t port_ = 0;
    std::string error_;
};

} // namespace kyv::sim
