// Machine-interface library: the C functions of qrvmachine.h over one TCP connection.
// POSIX sockets with poll() deadlines, so it works from any thread without an event loop
// and no call can block longer than its timeout.

#include "qrvmachine.h"
#include "wire.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

using namespace sorvik::wire;
using Clock = std::chrono::steady_clock;

constexpr auto ConnectTimeout = std::chrono::milliseconds(2000);
constexpr auto ReplyTimeout = std::chrono::milliseconds(3000);

std::string_view trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// Value of an INI line as QSettings writes it: optionally quoted, ';' starts a comment.
std::string iniValue(std::string_view raw)
{
    raw = trimmed(raw);
    if (!raw.empty() && raw.front() == '"') {
        const auto close = raw.find('"', 1);
        return std::string(raw.substr(1, close == std::string_view::npos ? raw.npos : close - 1));
    }
    return std::string(trimmed(raw.substr(0, raw.find(';'))));
}

struct Endpoint {
    std::string host = "127.0.0.1";
    std::string port = "7730";
};

void readSettingsFile(const std::string& path, Endpoint& ep)
{
    std::ifstream in(path);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        const std::string_view l = trimmed(line);
        if (l.empty() || l.front() == ';' || l.front() == '#')
            continue;
        if (l.front() == '[') {
            const auto close = l.find(']');
            inSection = close != l.npos && trimmed(l.substr(1, close - 1)) == "instrument";
            continue;
        }
        const auto eq = l.find('=');
        if (!inSection || eq == l.npos)
            continue;
        const std::string_view key = trimmed(l.substr(0, eq));
        if (key == "host")
            ep.host = iniValue(l.substr(eq + 1));
        else if (key == "port")
            ep.port = iniValue(l.substr(eq + 1));
    }
}

Endpoint readEndpoint()
{
    Endpoint ep;
    std::string dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        dir = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        dir = std::string(home) + "/.config";
    if (!dir.empty())
        readSettingsFile(dir + "/sorvik/sorvik.ini", ep);
    if (const char* host = std::getenv("SORVIK_INSTRUMENT_HOST"); host && *host)
        ep.host = host;
    if (const char* port = std::getenv("SORVIK_INSTRUMENT_PORT"); port && *port)
        ep.port = port;
    return ep;
}

bool isValidPort(const std::string& port)
{
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != port.npos)
        return false;
    const long n = std::strtol(port.c_str(), nullptr, 10);
    return n >= 1 && n <= 65535;
}

int msLeft(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Waits for events on fd until the deadline; false on timeout or error.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int left = msLeft(deadline);
        if (left == 0)
            return false;
        const int n = ::poll(&p, 1, left);
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

int connectTo(const Endpoint& ep)
{
    if (!isValidPort(ep.port) || ep.host.empty())
        return -1;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(ep.host.c_str(), ep.port.c_str(), &hints, &found) != 0)
        return -1;
    const auto deadline = Clock::now() + ConnectTimeout;
    int fd = -1;
    for (addrinfo* ai = found; ai && fd < 0; ai = ai->ai_next) {
        fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                      ai->ai_protocol);
        if (fd < 0)
            continue;
        bool ok = ::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0;
        if (!ok && errno == EINPROGRESS && waitFor(fd, POLLOUT, deadline)) {
            int err = 0;
            socklen_t len = sizeof err;
            ok = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
        }
        if (!ok) {
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd >= 0) {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return fd;
}

bool sendAll(int fd, const std::vector<std::uint8_t>& data, Clock::time_point deadline)
{
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += std::size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

bool recvExact(int fd, std::uint8_t* out, std::size_t size, Clock::time_point deadline)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::recv(fd, out + got, size - got, 0);
        if (n > 0) {
            got += std::size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLIN, deadline))
                return false;
        } else {
            return false; // closed by the instrument, or reset
        }
    }
    return true;
}

// The one connection to the instrument. A failed or late reply drops the connection: the
// caller cannot know whether the instrument did what was asked, and has to handshake again.
class Link
{
public:
    ~Link() { drop(); }

    int handshake()
    {
        std::lock_guard lock(m_mutex);
        drop();
        m_fd = connectTo(readEndpoint());
        if (m_fd < 0)
            return 0;
        std::vector<std::uint8_t> reply;
        if (!exchangeLocked(Hello, {HelloText.begin(), HelloText.end()}, reply) || reply[0] != Ok) {
            drop();
            return 0;
        }
        return 1;
    }

    int goodbye()
    {
        std::lock_guard lock(m_mutex);
        std::vector<std::uint8_t> reply;
        const bool ok = m_fd >= 0 && exchangeLocked(Goodbye, {}, reply) && reply[0] == Ok;
        drop();
        return ok ? 1 : 0;
    }

    // An import reads a class's records one after the other: fetch them in runs, so each
    // record does not cost a round trip. False when the instrument cannot say (an instrument
    // without run reads, or no record there); the caller then asks for the single record.
    bool readAhead(unsigned classIndex, std::uint32_t recordIndex, unsigned char* raw27)
    {
        std::lock_guard lock(m_mutex);
        if (m_fd < 0 || !m_runsSupported)
            return false;
        if (classIndex != m_runClass || recordIndex < m_runFirst ||
            recordIndex >= m_runFirst + m_runRecords.size() / RawRecordSize) {
            std::vector<std::uint8_t> payload;
            put16(payload, classIndex);
            put32(payload, recordIndex);
            payload.push_back(static_cast<std::uint8_t>(MaxRecordsPerReply));
            std::vector<std::uint8_t> reply;
            if (!exchangeLocked(ReadRecords, payload, reply))
                return false;
            if (reply[0] == Refused)
                m_runsSupported = false;
            if (reply[0] != Ok || reply.size() < 2 || reply[1] == 0 ||
                reply.size() != 2 + std::size_t(reply[1]) * RawRecordSize)
                return false;
            m_runClass = classIndex;
            m_runFirst = recordIndex;
            m_runRecords.assign(reply.begin() + 2, reply.end());
        }
        std::memcpy(raw27, m_runRecords.data() + (recordIndex - m_runFirst) * RawRecordSize,
                    RawRecordSize);
        return true;
    }

    // Sends one request; reply gets the payload (status byte first, at least minSize bytes).
    bool exchange(std::uint8_t command, const std::vector<std::uint8_t>& payload,
                  std::vector<std::uint8_t>& reply, std::size_t minSize = 1)
    {
        std::lock_guard lock(m_mutex);
        // Anything else may change what the instrument holds: forget the records read ahead.
        m_runRecords.clear();
        if (m_fd < 0 || !exchangeLocked(command, payload, reply))
            return false;
        if (reply.size() < minSize && reply[0] == Ok) {
            drop();
            return false;
        }
        return true;
    }

private:
    // One request and its reply. Each request carries the next sequence number and only the
    // reply carrying that number answers it: a doubled or stale reply (an earlier number) is
    // read and thrown away; a number never sent, a reply to another command or a malformed
    // frame ends the connection.
    bool exchangeLocked(std::uint8_t command, const std::vector<std::uint8_t>& payload,
                        std::vector<std::uint8_t>& reply)
    {
        m_sequence = m_sequence == UINT32_MAX ? 1 : m_sequence + 1; // 0 is never sent
        const std::uint32_t sequence = m_sequence;
        if (!sendAll(m_fd, frame(command, sequence, payload), Clock::now() + ReplyTimeout)) {
            drop();
            return false;
        }
        const auto deadline = Clock::now() + ReplyTimeout;
        for (;;) {
            std::uint8_t header[HeaderSize];
            if (!recvExact(m_fd, header, HeaderSize, deadline) || header[0] != Magic0 ||
                header[1] != Magic1) {
                drop();
                return false;
            }
            const std::size_t size = get16(header + LengthOffset);
            if (size == 0 || size > MaxPayload) {
                drop();
                return false;
            }
            reply.assign(size, 0);
            if (!recvExact(m_fd, reply.data(), size, deadline)) {
                drop();
                return false;
            }
            const std::uint32_t answered = get32(header + SequenceOffset);
            if (answered == sequence) {
                if (header[2] == (command | ReplyBit))
                    return true;
                drop();
                return false;
            }
            // Earlier numbers (modulo 2^32) are late or repeated answers: skip them.
            if (answered == 0 || sequence - answered >= 0x80000000u) {
                drop();
                return false;
            }
        }
    }

    void drop()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_sequence = 0;
        m_runRecords.clear();
        m_runsSupported = true;
    }

    std::mutex m_mutex;
    int m_fd = -1;
    std::uint32_t m_sequence = 0; // of the last request sent on this connection
    bool m_runsSupported = true;
    unsigned m_runClass = 0;
    std::uint32_t m_runFirst = 0;
    std::vector<std::uint8_t> m_runRecords; // raw records m_runFirst, m_runFirst + 1, ...
};

Link& link()
{
    static Link instance;
    return instance;
}

int clampToInt(std::uint32_t v)
{
    return v > unsigned(INT_MAX) ? INT_MAX : int(v);
}

} // namespace

extern "C" {

int CMD0_Handshake(void)
{
    return link().handshake();
}

int f1(int a, int b)
{
    if (a < 0 || a > 0xFF || b < 0 || b > 0xFF)
        return 0;
    std::vector<std::uint8_t> reply;
    const std::vector<std::uint8_t> payload{std::uint8_t(a), std::uint8_t(b)};
    return link().exchange(Mode, payload, reply) && reply[0] == Ok ? 1 : 0;
}

int CMD1_WriteOneClass(const char* className, int pupilCount)
{
    const std::string_view name = className ? gbkCut(className, MaxClassName) : "";
    if (name.empty() || pupilCount < 0 || std::size_t(pupilCount) > MaxPupilsPerClass)
        return Refused;
    std::vector<std::uint8_t> payload;
    put16(payload, unsigned(pupilCount));
    payload.insert(payload.end(), name.begin(), name.end());
    std::vector<std::uint8_t> reply;
    return link().exchange(WriteClass, payload, reply) ? int(reply[0]) : 0;
}

int CMD2_WriteOneStudent(const char* number, const char* name)
{
    const std::string_view num = number ? std::string_view(number) : std::string_view();
    if (num.empty() || num.size() > MaxNumber)
        return Refused;
    const std::string_view pupil = name ? gbkCut(name, MaxPupilName) : "";
    std::vector<std::uint8_t> payload{std::uint8_t(num.size())};
    payload.insert(payload.end(), num.begin(), num.end());
    payload.insert(payload.end(), pupil.begin(), pupil.end());
    std::vector<std::uint8_t> reply;
    return link().exchange(WritePupil, payload, reply) ? int(reply[0]) : 0;
}

int CMD3_ReadClassStudnetCount(int* classCount, int* pupilCount)
{
    std::vector<std::uint8_t> reply;
    if (!classCount || !pupilCount || !link().exchange(Counts, {}, reply, 5) || reply[0] != Ok)
        return 0;
    *classCount = int(get16(&reply[1]));
    *pupilCount = int(get16(&reply[3]));
    return 1;
}

int CMD7_ReadClassStudnetCount2(int* classCount, int* secondCount)
{
    std::vector<std::uint8_t> reply;
    if (!classCount || !secondCount || !link().exchange(Counts2, {}, reply, 7) || reply[0] != Ok)
        return 0;
    *classCount = int(get16(&reply[1]));
    *secondCount = clampToInt(get32(&reply[3]));
    return 1;
}

int CMD4_ReadClassInfo(int classIndex, char* name17, int* recordCount)
{
    if (classIndex < 0 || classIndex > 0xFFFF || !name17 || !recordCount)
        return 0;
    std::vector<std::uint8_t> payload;
    put16(payload, unsigned(classIndex));
    std::vector<std::uint8_t> reply;
    if (!link().exchange(ClassInfo, payload, reply, 5) || reply[0] != Ok)
        return 0;
    // Whatever the instrument sends, the caller never sees half a character.
    const std::string_view sent(reinterpret_cast<const char*>(reply.data() + 5), reply.size() - 5);
    const std::string_view name = gbkCut(sent.substr(0, sent.find('\0')), MaxClassName);
    std::memset(name17, 0, MaxClassName + 1);
    std::memcpy(name17, name.data(), name.size());
    *recordCount = clampToInt(get32(&reply[1]));
    return 1;
}

int CMD5_ReadTestValue(int classIndex, int recordIndex, unsigned char* raw27)
{
    if (classIndex < 0 || classIndex > 0xFFFF || recordIndex < 0 || !raw27)
        return 0;
    if (link().readAhead(unsigned(classIndex), std::uint32_t(recordIndex), raw27))
        return 1;
    std::vector<std::uint8_t> payload;
    put16(payload, unsigned(classIndex));
    put32(payload, std::uint32_t(recordIndex));
    std::vector<std::uint8_t> reply;
    if (!link().exchange(ReadRecord, payload, reply, 1 + RawRecordSize) || reply[0] != Ok)
        return 0;
    std::memcpy(raw27, reply.data() + 1, RawRecordSize);
    return 1;
}

int qrv_dll_DecodeOneValue(const unsigned char* raw27, char* number24, unsigned char* itemCode1,
                           char* value6, unsigned char* time5)
{
    Record r;
    if (!raw27 || !number24 || !itemCode1 || !value6 || !time5 || !decodeRecord(raw27, r))
        return 0;
    std::memset(number24, 0, 24);
    std::memcpy(number24, r.number.data(), r.number.size());
    *itemCode1 = r.item;
    std::memset(value6, 0, 6);
    std::memcpy(value6, r.value.data(), r.value.size());
    std::memset(time5, 0, 5);
    if (r.isDouble()) {
        std::memcpy(time5, r.value2.data(), r.value2.size());
    } else {
        time5[0] = static_cast<unsigned char>(r.year - FirstYear);
        time5[1] = static_cast<unsigned char>(r.month);
        time5[2] = static_cast<unsigned char>(r.day);
        time5[3] = static_cast<unsigned char>(r.hour);
        time5[4] = static_cast<unsigned char>(r.minute);
    }
    return 1;
}

int CMD6_Format(void)
{
    std::vector<std::uint8_t> reply;
    return link().exchange(Format, {}, reply) && reply[0] == Ok ? 1 : 0;
}

int CMD10_Goodbye(void)
{
    return link().goodbye();
}

} // extern "C"
