// WebSocket load for the device-preview tunnel: an echo server, and clients
// that each keep one 64-byte message in flight and count the echoes, once
// straight to the echo server and once through the tunnel. Both are plain
// epoll loops on one thread, so that the tunnel, not they, is measured.
// Usage: tunnel_load echo          (prints "port N", serves until killed)
//        tunnel_load compare <direct port> <tunnel port> <clients> <seconds of each>
//            (prints "direct_messages_per_second N", "tunnel_messages_per_second N" and
//            "tunnel_messages_in_all N", the warm-up's included)
#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
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

// One client: its handshake answered or not, the bytes of the echo awaited,
// and whether a message of it is on its way.
struct Client {
    int fd = -1;
    int path = 0;
    bool open = false;
    bool inFlight = false;
    QByteArray input;
};

// The clients of every path (a port each), on one epoll set.
class Clients {
public:
    Clients(int count, const std::vector<int> &ports) : m_poll(epoll_create1(0))
    {
        m_frame = QByteArray(2 + 4 + kPayload, '\0');
        m_frame[0] = static_cast<char>(0x81);
        m_frame[1] = static_cast<char>(0x80 | kPayload);
        for (int i = 0; i < kPayload; ++i)
            m_frame[6 + i] = static_cast<char>('a' ^ m_frame[2 + i % 4]);
        for (size_t path = 0; path < ports.size(); ++path) {
            for (int i = 0; i < count; ++i)
                m_all.push_back(connectTo(ports[path], i, static_cast<int>(path)));
        }
        for (size_t i = 0; i < m_all.size(); ++i) {
            epoll_event event{EPOLLIN, {.u64 = i}};
            epoll_ctl(m_poll, EPOLL_CTL_ADD, m_all[i].fd, &event);
        }
    }

    bool connected() const
    {
        return std::all_of(m_all.begin(), m_all.end(), [](const Client &client) { return client.fd >= 0; });
    }

    // Whether a client's connection ended or failed: its path's count would be too low.
    bool lostAny() const { return m_lost; }

    // Waits until every client's handshake is answered.
    bool handshake()
    {
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < end) {
            if (std::all_of(m_all.begin(), m_all.end(), [](const Client &client) { return client.open; }))
                return true;
            turn(-1, end);
        }
        return false;
    }

    // Keeps one message of each client of the path in flight for the given
    // time, then lets the last ones come back; returns the echoes counted in time.
    long long round(int path, std::chrono::milliseconds length)
    {
        for (Client &client : m_all) {
            if (client.path == path)
                send(client);
        }
        m_echoes = 0;
        m_sending = path;
        turn(path, Clock::now() + length);
        const long long echoes = m_echoes;
        m_sending = -1;
        turn(path, Clock::now() + std::chrono::seconds(5));
        if (m_inFlight[path] > 0)
            m_lost = true;
        return echoes;
    }

    // Every echo of the path so far, in the warm-up and after each round's end too.
    long long allEchoes(int path) const { return m_allEchoes[path]; }

private:
    using Clock = std::chrono::steady_clock;

    static Client connectTo(int port, int index, int path)
    {
        Client client;
        client.path = path;
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        // Four devices, so that none passes its share of the proxy's connections.
        sockaddr_in source{};
        source.sin_family = AF_INET;
        source.sin_addr.s_addr = htonl(INADDR_LOOPBACK + static_cast<uint32_t>(index % 4));
        ::bind(fd, reinterpret_cast<sockaddr *>(&source), sizeof source);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(fd);
            return client;
        }
        setNonBlocking(fd);
        const QByteArray handshake = "GET /hmr HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                                     "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                     "Sec-WebSocket-Version: 13\r\n\r\n";
        sendAll(fd, handshake.constData(), static_cast<size_t>(handshake.size()));
        client.fd = fd;
        return client;
    }

    void send(Client &client)
    {
        client.inFlight = true;
        ++m_inFlight[client.path];
        sendAll(client.fd, m_frame.constData(), static_cast<size_t>(m_frame.size()));
    }

    void lose(Client &client)
    {
        epoll_ctl(m_poll, EPOLL_CTL_DEL, client.fd, nullptr);
        if (client.inFlight)
            --m_inFlight[client.path];
        client.inFlight = false;
        m_lost = true;
    }

    // Reads what the clients have until the time is up, or until the path
    // given (not -1) has no message on its way.
    void turn(int path, Clock::time_point end)
    {
        epoll_event ready[256];
        char buffer[65536];
        while (Clock::now() < end) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            const int count = epoll_wait(m_poll, ready, 256, static_cast<int>(left.count()) + 1);
            for (int i = 0; i < count; ++i) {
                Client &client = m_all[ready[i].data.u64];
                const ssize_t got = ::recv(client.fd, buffer, sizeof buffer, 0);
                if (got == 0 || (got < 0 && errno != EAGAIN)) {
                    lose(client);
                    continue;
                }
                if (got < 0)
                    continue;
                client.input.append(buffer, got);
                if (!client.open) {
                    const qsizetype headEnd = client.input.indexOf("\r\n\r\n");
                    if (headEnd >= 0) {
                        client.input.remove(0, headEnd + 4);
                        client.open = true;
                    }
                    continue;
                }
                while (client.inFlight && client.input.size() >= 2 + kPayload) {
                    client.input.remove(0, 2 + kPayload);
                    client.inFlight = false;
                    --m_inFlight[client.path];
                    ++m_allEchoes[client.path];
                    if (m_sending == client.path && Clock::now() < end) {
                        ++m_echoes;
                        send(client);
                    }
                }
            }
            if (path < 0 || m_inFlight[path] == 0)
                return;
        }
    }

    int m_poll;
    QByteArray m_frame;
    std::vector<Client> m_all;
    int m_sending = -1;
    long long m_echoes = 0;
    long long m_allEchoes[2] = {0, 0};
    int m_inFlight[2] = {0, 0};
    bool m_lost = false;
};

// The same clients through two ports, in short rounds taken in turn (one
// path, the other, the other, the one, …) so that both see the same machine.
int compare(int directPort, int tunnelPort, int count, int seconds)
{
    Clients clients(count, {directPort, tunnelPort});
    if (!clients.connected() || !clients.handshake())
        return 1;
    constexpr std::chrono::milliseconds kRound(250);
    for (const int path : {0, 1, 1, 0})
        clients.round(path, kRound);
    long long echoes[2] = {0, 0};
    const int rounds = std::max(1, static_cast<int>(seconds * 1000 / kRound.count()));
    for (int i = 0; i < rounds; ++i) {
        for (const int path : {i % 2, 1 - i % 2})
            echoes[path] += clients.round(path, kRound);
    }
    if (clients.lostAny()) {
        std::fprintf(stderr, "a client's connection ended during the run\n");
        return 1;
    }
    const double measured = static_cast<double>(rounds) * std::chrono::duration<double>(kRound).count();
    std::printf("direct_messages_per_second %.0f\n", static_cast<double>(echoes[0]) / measured);
    std::printf("tunnel_messages_per_second %.0f\n", static_cast<double>(echoes[1]) / measured);
    std::printf("tunnel_messages_in_all %lld\n", clients.allEchoes(1));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "echo") == 0)
        return echo();
    if (argc >= 6 && std::strcmp(argv[1], "compare") == 0)
        return compare(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    std::fprintf(stderr, "usage: tunnel_load echo | tunnel_load compare <direct port> <tunnel port> "
                         "<clients> <seconds>\n");
    return 2;
}
