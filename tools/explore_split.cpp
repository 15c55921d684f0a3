// The second process of a split level (explore --split): what it meets in
// its half of the level, written in the order one process would have met it
// and read back by the first, which alone numbers states and keeps findings.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "explore.h"

namespace split {

bool second = false;

namespace {

int out = -1;
std::string buffer;
std::map<std::string, uint32_t> kinds;  // each kind's text goes once, then its number

template <typename T>
void put(T value) {
    buffer.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void flush() {
    for (size_t done = 0; done < buffer.size();) {
        const ssize_t n = ::write(out, buffer.data() + done, buffer.size() - done);
        if (n <= 0) _exit(3);
        done += static_cast<size_t>(n);
    }
    buffer.clear();
}

void written() {
    if (buffer.size() >= (1u << 22)) flush();
}

template <typename T>
bool take(const std::string& in, size_t* at, T* value) {
    if (in.size() - *at < sizeof *value) return false;
    std::memcpy(value, in.data() + *at, sizeof *value);
    *at += sizeof *value;
    return true;
}

}  // namespace

void begin(int fd) {
    second = true;
    out = fd;
}

void report(const std::string& kind, int exception, uint32_t node, int action, const std::vector<size_t>* order) {
    auto k = kinds.find(kind);
    if (k == kinds.end()) {
        k = kinds.emplace(kind, static_cast<uint32_t>(kinds.size())).first;
        put('K');
        put(static_cast<uint32_t>(kind.size()));
        buffer += kind;
    }
    put('R');
    put(k->second);
    put(static_cast<int8_t>(exception));
    put(node);
    put(static_cast<int16_t>(action));
    put(static_cast<uint8_t>(order != nullptr ? order->size() : 0));
    if (order != nullptr)
        for (size_t i : *order) put(static_cast<uint8_t>(i));
    written();
}

void candidate(uint32_t parent, uint16_t action, uint64_t fingerprint) {
    put('C');
    put(parent);
    put(action);
    put(fingerprint);
    written();
}

void finish(uint64_t transitions, uint32_t mostSends) {
    put('T');
    put(transitions);
    put(mostSends);
    flush();
    _exit(0);
}

bool readBack(int fd, const Handlers& handlers, uint64_t* transitions, uint32_t* mostSends) {
    std::string in;
    char chunk[1 << 16];
    if (::lseek(fd, 0, SEEK_SET) != 0) return false;
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) in.append(chunk, static_cast<size_t>(n));
    std::vector<std::string> names;
    std::vector<size_t> order;
    size_t at = 0;
    char type = 0;
    while (take(in, &at, &type)) {
        if (type == 'K') {
            uint32_t size = 0;
            if (!take(in, &at, &size) || in.size() - at < size) return false;
            names.push_back(in.substr(at, size));
            at += size;
        } else if (type == 'R') {
            uint32_t kind = 0, node = 0;
            int8_t exception = 0;
            int16_t action = 0;
            uint8_t count = 0;
            if (!take(in, &at, &kind) || !take(in, &at, &exception) || !take(in, &at, &node) ||
                !take(in, &at, &action) || !take(in, &at, &count) || kind >= names.size())
                return false;
            order.clear();
            for (uint8_t i = 0, index = 0; i < count; ++i) {
                if (!take(in, &at, &index)) return false;
                order.push_back(index);
            }
            handlers.report(names[kind], exception, node, action, order);
        } else if (type == 'C') {
            uint32_t parent = 0;
            uint16_t action = 0;
            uint64_t fingerprint = 0;
            if (!take(in, &at, &parent) || !take(in, &at, &action) || !take(in, &at, &fingerprint)) return false;
            handlers.candidate(parent, action, fingerprint);
        } else if (type == 'T') {
            uint64_t more = 0;
            uint32_t most = 0;
            if (!take(in, &at, &more) || !take(in, &at, &most)) return false;
            *transitions += more;
            if (most > *mostSends) *mostSends = most;
            return at == in.size();
        } else {
            return false;
        }
    }
    return false;  // cut short: the second process did not finish
}

}  // namespace split
