#include "transport/net/ftp_upload.h"

#include "core/clock.h"
#include "core/ipv4_text.h"
#include "transport/net/net_guard.h"
#include "transport/net/net_settings.h"

#include <curl/curl.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <memory>
#include <mutex>

namespace kyv {

namespace {

constexpr int kConnectAttempts = 3;

struct CurlHandle {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct FileHandle {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Transfer {
    std::FILE* file = nullptr;
    bool loggedIn = false; // the server accepted the login (230) in this attempt
};

size_t readChunk(char* buffer, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    size_t n = std::fread(buffer, size, count, transfer->file);
    if (n == 0 && std::ferror(transfer->file))
        return CURL_READFUNC_ABORT;
    return n;
}

// libcurl hands FTP server replies to the header callback: a 230 means the login is done,
// so what fails afterwards is the put, not the connection.
size_t serverReply(char* line, size_t size, size_t count, void* user)
{
    size_t length = size * count;
    if (length >= 3 && line[0] == '2' && line[1] == '3' && line[2] == '0')
        static_cast<Transfer*>(user)->loggedIn = true;
    return length;
}

curl_socket_t openGuardedSocket(void*, curlsocktype, curl_sockaddr* address)
{
    if (address->family != AF_INET)
        return CURL_SOCKET_BAD;
    auto* in = reinterpret_cast<sockaddr_in*>(&address->addr);
    if (!netAddressAllowed(ntohl(in->sin_addr.s_addr), "FTP connection"))
        return CURL_SOCKET_BAD;
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int stopCheck(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) { return stopRequested() ? 1 : 0; }

long realMs(uint32_t protocolMs)
{
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(scaled(ProtocolMs{protocolMs})).count();
    return ms < 1 ? 1 : static_cast<long>(ms);
}

std::string escaped(CURL* curl, const std::string& text)
{
    char* e = curl_easy_escape(curl, text.c_str(), static_cast<int>(text.size()));
    std::string result = e != nullptr ? e : "";
    curl_free(e);
    return result;
}

} // namespace

int FtpUpload(const FtpUploadRequest& request)
{
    static std::once_flag globalInit;
    static CURLcode initResult = CURLE_OK;
    std::call_once(globalInit, [] { initResult = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (initResult != CURLE_OK)
        return kFtpNoSession;
    std::unique_ptr<CURL, CurlHandle> curl(curl_easy_init());
    if (!curl)
        return kFtpNoSession;

    std::optional<uint32_t> server = parseIpv4(request.serverAddress);
    if (!server)
        return kFtpNoConnection;
    if (!netAddressAllowed(*server, "FTP upload"))
        return kFtpNoConnection;
    std::unique_ptr<std::FILE, FileHandle> file(std::fopen(request.localPath.c_str(), "rb"));
    if (!file)
        return kFtpPutFailed;
    std::fseek(file.get(), 0, SEEK_END);
    long size = std::ftell(file.get());

    CURL* c = curl.get();
    std::string url = "ftp://" + formatIpv4(*server) + ":" + std::to_string(request.port) + "/" +
                      escaped(c, request.remoteName);
    long responseSeconds = (realMs(request.responseTimeoutMs) + 999) / 1000;
    Transfer transfer;
    char errorText[CURL_ERROR_SIZE]{};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(c, CURLOPT_USERAGENT, request.clientName.c_str());
    curl_easy_setopt(c, CURLOPT_USERNAME, request.user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, request.password.c_str());
    curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 1L);
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size < 0 ? 0 : size));
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readChunk);
    curl_easy_setopt(c, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, serverReply);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, openGuardedSocket);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, realMs(request.connectTimeoutMs));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, responseSeconds);
    // A server that stops taking data ends the upload after the read time-out.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, responseSeconds);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, stopCheck);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);

    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        std::rewind(file.get());
        transfer = Transfer{file.get(), false};
        CURLcode code = curl_easy_perform(c);
        if (code == CURLE_OK)
            return kFtpUploaded;
        std::fprintf(stderr, "KyvFlash: FTP upload to %s: %s\n", formatIpv4(*server).c_str(),
                     errorText[0] != 0 ? errorText : curl_easy_strerror(code));
        if (transfer.loggedIn || stopRequested())
            return kFtpPutFailed;
    }
    return kFtpNoConnection;
}

int FtpUpload(const std::string& clientName, const std::string& user, const std::string& password,
              const std::string& localPath, const std::string& remoteName,
              const std::string& serverAddress, const ProfileStore& store)
{
    NetSettings s = readNetSettings(store);
    FtpUploadRequest request{clientName, user, password, localPath, remoteName, serverAddress,
                             s.ftpPort, s.connectMs, s.readMs};
    return FtpUpload(request);
}

} // namespace kyv
