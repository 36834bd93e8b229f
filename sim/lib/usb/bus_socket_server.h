#pragma once
// The Unix stream socket a simulated USB bus is served on: it accepts hosts, cuts what they
// send into request lines, hands each to the UsbBus in order and writes back one answer line
// per request. A connection whose read waits gets no further answer until that read is over.

#include "core/unique_fd.h"
#include "sim/lib/usb/usb_bus.h"

#include <poll.h>

#include <list>
#include <string>
#include <vector>

namespace kyv::sim {

class BusSocketServer {
public:
    // Longest request line taken; a host that sends more is cut off.
    static constexpr size_t kLongestLine = 16 * 1024 * 1024;

    ~BusSocketServer() { close(); }

    // Binds and listens at path. A stale socket left there is replaced; a bus that still
    // answers there, or any other file, is left alone and listen fails with errorText().
    bool listen(const std::string& path);
    // Stops listening, closes every connection, removes the socket file.
    void close();
    const std::string& errorText() const { return error_; }

    // The descriptors to poll: the listening socket, then every connection.
    void addPollFds(std::vector<pollfd>& fds) const;
    // Accepts and serves what the poll found readable.
    void serve(const std::vector<pollfd>& fds, UsbBus& bus);
    // Sends the answers of reads that are over and goes on with the lines queued behind them.
    void finishReads(UsbBus& bus);

private:
    struct Connection {
        int id = 0;
        UniqueFd fd;
        std::string input;
        bool waiting = false;
        bool closed = false;
    };

    void accept();
    void readFrom(Connection& connection, UsbBus& bus);
    void answerLines(Connection& connection, UsbBus& bus);
    void send(Connection& connection, const std::string& line);
    void removeClosed(UsbBus& bus);

    UniqueFd listener_;
    std::string path_;
    std::string error_;
    std::list<Connection> connections_;
    int nextConnection_ = 1;
};

} // namespace kyv::sim
