// WebSocket load for the device-preview tunnel: an echo server, and clients
// that each keep one 64-byte message in flight and count the echoes. Both are
// plain epoll loops on one thread, so that the tunnel, not they, is measured.
// Usage: tunnel_load echo                       (prints "port N", serves until killed)
//        tunnel_load clients <port> <clients> <seconds>   (prints "messages_per_second N")
#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kPayload = 64;

void setNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void sendAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return; // a full socket here means a client that misbehaves; the count shows it
        data += sent;
        size -= static_cast<size_t>(sent);
    }
}

// The server's side of one connection: the handshake, then masked frames in, plain frames out.
struct Peer {
    QByteArray input;
    bool open = false;
};

bool serve(int fd, Peer &peer)
{
    char buffer[65536];
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0)
        return got < 0 && errno == EAGAIN;
    peer.input.append(buffer, got);
    if (!peer.open) {
        const qsizetype end = peer.input.indexOf("\r\n\r\n");
        if (end < 0)
            return true;
        const qsizetype keyAt = peer.input.indexOf("Sec-WebSocket-Key: ");
        const QByteArray key = peer.input.mid(keyAt + 19, peer.input.indexOf("\r\n", keyAt) - keyAt - 19);
        const QByteArray accept =
            QCryptographicHash::hash(QByteArray(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"),
                                     QCryptographicHash::Sha1)
                .toBase64();
        const QByteArray reply =
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Accept: " +
            accept + "\r\n\r\n";
        sendAll(fd, reply.constData(), static_cast<size_t>(reply.size()));
        peer.input.remove(0, end + 4);
        peer.open = true;
    }
    QByteArray out;
    qsizetype at = 0;
    while (peer.input.size() - at >= 2) {
        const auto *frame = reinterpret_cast<const unsigned char *>(peer.input.constData() + at);
        const int length = frame[1] & 0x7f; // the clients send short frames only
        if (peer.input.size() - at < 6 + length)
            break;
        out.append(static_cast<char>(frame[0])).append(static_cast<char>(length));
        for (int i = 0; i < length; ++i)
            out.append(static_cast<char>(frame[6 + i] ^ frame[2 + i % 4]));
        at += 6 + length;
    }
    peer.input.remove(0, at);
    sendAll(fd, out.constData(), static_cast<size_t>(out.size()));
    return true;
}

int echo()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listener, 1024) != 0)
        return 1;
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    std::printf("port %u\n", ntohs(address.sin_port));
    std::fflush(stdout);
    const int poll = epoll_create1(0);
    epoll_event event{EPOLLIN, {.fd = listener}};
    epoll_ctl(poll, EPOLL_CTL_ADD, listener, &event);
    std::unordered_map<int, Peer> peers;
    epoll_event ready[256];
    while (true) {
        const int count = epoll_wait(poll, ready, 256, -1);
        for (int i = 0; i < count; ++i) {
            const int fd = ready[i].data.fd;
            if (fd == listener) {
                const int peer = ::accept(listener, nullptr, nullptr);
                setNonBlocking(peer);
                epoll_event added{EPOLLIN, {.fd = peer}};
                epoll_ctl(poll, EPOLL_CTL_ADD, peer, &added);
                peers[peer];
            } else if (!serve(fd, peers[fd])) {
                epoll_ctl(poll, EPOLL_CTL_DEL, fd, nullptr);
                ::close(fd);
                peers.erase(fd);
            }
        }
    }
}

// One client: its handshake answered or not, and the bytes of the echo awaited.
struct Client {
    bool open = false;
    QByteArray input;
};

int clients(int port, int count, int seconds)
{
    const int poll = epoll_create1(0);
    std::vector<Client> all(static_cast<size_t>(count));
    std::unordered_map<int, size_t> byFd;
    QByteArray frame(2 + 4 + kPayload, '\0');
    frame[0] = static_cast<char>(0x81);
    frame[1] = static_cast<char>(0x80 | kPayload);
    for (int i = 0; i < kPayload; ++i)
        frame[6 + i] = static_cast<char>('a' ^ frame[2 + i % 4]);
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        // Four devices, so that none passes its share of the proxy's connections.
        sockaddr_in source{};
        source.sin_family = AF_INET;
        source.sin_addr.s_addr = htonl(INADDR_LOOPBACK + static_cast<uint32_t>(i % 4));
        ::bind(fd, reinterpret_cast<sockaddr *>(&source), sizeof source);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            return 1;
        setNonBlocking(fd);
        const QByteArray handshake = "GET /hmr HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                                     "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                     "Sec-WebSocket-Version: 13\r\n\r\n";
        sendAll(fd, handshake.constData(), static_cast<size_t>(handshake.size()));
        epoll_event event{EPOLLIN, {.fd = fd}};
        epoll_ctl(poll, EPOLL_CTL_ADD, fd, &event);
        byFd[fd] = static_cast<size_t>(i);
    }
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    long long echoes = 0;
    epoll_event ready[256];
    char buffer[65536];
    while (std::chrono::steady_clock::now() < end) {
        const int ready_count = epoll_wait(poll, ready, 256, 100);
        for (int i = 0; i < ready_count; ++i) {
            const int fd = ready[i].data.fd;
            Client &client = all[byFd[fd]];
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                continue;
            client.input.append(buffer, got);
            if (!client.open) {
                const qsizetype headEnd = client.input.indexOf("\r\n\r\n");
                if (headEnd < 0)
                    continue;
                client.input.remove(0, headEnd + 4);
                client.open = true;
                sendAll(fd, frame.constData(), static_cast<size_t>(frame.size()));
                continue;
            }
            while (client.input.size() >= 2 + kPayload) {
                client.input.remove(0, 2 + kPayload);
                ++echoes;
                sendAll(fd, frame.constData(), static_cast<size_t>(frame.size()));
            }
        }
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("messages_per_second %.0f\n", static_cast<double>(echoes) / elapsed);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "echo") == 0)
        return echo();
    if (argc >= 5 && std::strcmp(argv[1], "clients") == 0)
        return clients(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr, "usage: tunnel_load echo | tunnel_load clients <port> <clients> <seconds>\n");
    return 2;
}
