// A TCP proxy that holds every piece of data back for a while in each
// direction, to try a database server as if it were further away:
//
//   norvak_bench_delay LISTEN_PORT TARGET_HOST TARGET_PORT ROUND_TRIP_MS
//
// Each direction adds half of ROUND_TRIP_MS, the order of the data kept.
// It listens on 127.0.0.1 and runs until it is stopped.

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One direction: a reader that stamps each piece with the time it is due
// and a writer that sends it then.
class Direction {
  public:
    Direction(int from, int to, Clock::duration delay) : from_(from), to_(to), delay_(delay) {}

    void run() {
        std::thread writer([this] { write(); });
        std::vector<char> buffer(65536);
        for (;;) {
            ssize_t got = ::read(from_, buffer.data(), buffer.size());
            std::lock_guard<std::mutex> lock(mutex_);
            if (got <= 0) {
                ended_ = true;
                ready_.notify_one();
                break;
            }
            pieces_.emplace_back(Clock::now() + delay_,
                                 std::string(buffer.data(), static_cast<std::size_t>(got)));
            ready_.notify_one();
        }
        writer.join();
        ::shutdown(to_, SHUT_WR);
    }

  private:
    void write() {
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return ended_ || !pieces_.empty(); });
            if (pieces_.empty())
                return;
            auto [due, data] = std::move(pieces_.front());
            pieces_.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(due);
            std::size_t sent = 0;
            while (sent < data.size()) {
                ssize_t put = ::write(to_, data.data() + sent, data.size() - sent);
                if (put <= 0)
                    return;
                sent += static_cast<std::size_t>(put);
            }
        }
    }

    int from_;
    int to_;
    Clock::duration delay_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::pair<Clock::time_point, std::string>> pieces_;
    bool ended_ = false;
};

int connectTo(const char* host, const char* port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, port, &hints, &found) != 0)
        return -1;
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        ::close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    return fd;
}

void noDelay(int fd) {
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: norvak_bench_delay LISTEN_PORT TARGET_HOST TARGET_PORT ROUND_TRIP_MS\n");
        return 2;
    }
    auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(
        std::strtod(argv[4], nullptr) / 2));
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[1])));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 16) != 0) {
        std::perror("norvak_bench_delay: listen");
        return 1;
    }
    for (;;) {
        int client = ::accept(listener, nullptr, nullptr);
        if (client < 0)
            continue;
        std::thread([client, delay, host = std::string(argv[2]), port = std::string(argv[3])] {
            int server = connectTo(host.c_str(), port.c_str());
            if (server < 0) {
                ::close(client);
                return;
            }
            noDelay(client);
            noDelay(server);
            Direction up(client, server, delay);
            Direction down(server, client, delay);
            std::thread upThread([&up] { up.run(); });
            down.run();
            upThread.join();
            ::close(client);
            ::close(server);
        }).detach();
    }
}
