#pragma once
// Puts one local file onto a network printer's FTP server (its download area), in binary
// mode over a passive connection, with libcurl.

#include <cstdint>
#include <string>

namespace kyv {

class ProfileStore;

enum FtpUploadResult : int {
    kFtpPutFailed = 0,
    kFtpNoSession = 1,
    kFtpNoConnection = 2,
    kFtpUploaded = 3,
};

struct FtpUploadRequest {
    std::string clientName;    // how the program names itself to the server
    std::string user;
    std::string password;
    std::string localPath;
    std::string remoteName;
    std::string serverAddress; // a.b.c.d
    uint16_t port = 21;
    uint32_t connectTimeoutMs = 10000; // protocol ms: connection and login
    uint32_t responseTimeoutMs = 30000; // protocol ms: each server answer, and a stalled upload
};

// Up to three connection attempts one after the other; 3 uploaded, 1 no session could be
// made, 2 no connection (or no login), 0 the put failed.
int FtpUpload(const FtpUploadRequest& request);

// The same with the port and time-outs of the settings store (FtpPort, ConnectTimeout,
// ReadTimeout).
int FtpUpload(const std::string& clientName, const std::string& user, const std::string& password,
              const std::string& localPath, const std::string& remoteName,
              const std::string& serverAddress, const ProfileStore& store);

} // namespace kyv
