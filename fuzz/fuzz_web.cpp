// Fuzz target: what the web server reads from the network. The input is a request's fields
// (method, path, query, Host, Authorization, Origin), one a line, then a live-feed message; each
// is answered as the server would, and the answers must keep their promises: only the page's own
// files are served, never without the token where one is needed, and a command that passes
// becomes one of the console's commands with its values in range.

#include "web/WebProtocol.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QList<QByteArray> lines = input.split('\n');
    const auto line = [&lines](int i) { return i < lines.size() ? lines[i] : QByteArray(); };
    WebProtocol::Request request{line(0), line(1), line(2), line(3), line(4), line(5)};
    WebProtocol::Access access;
    access.tokenRequired = data[0] & 1;
    access.token = "0123456789abcdef0123456789abcdef";

    const auto resource = [](const char* path) { return QByteArray("{{query}}") + path; };
    const WebProtocol::Reply reply =
        WebProtocol::answer(request, access, resource, [] { return QByteArray("{}"); });
    const bool known = request.path == "/" || request.path == "/app.js" ||
                       request.path == "/style.css" || request.path == "/api/state";
    const bool tokenOk = WebProtocol::sameToken(WebProtocol::tokenOf(request), access.token);
    if (reply.status == 200)
        check(known && request.method == "GET" && (!access.tokenRequired || tokenOk));
    if (access.tokenRequired && !tokenOk)
        check(reply.status == 401);
    if (!WebProtocol::feedRefusal(request, access))
        check(request.path == "/live" && (!access.tokenRequired || tokenOk));

    const auto parsed = WebProtocol::parseCommand(line(6));
    if (const auto* c = std::get_if<WebProtocol::Command>(&parsed)) {
        const QByteArray bytes = WebProtocol::bytesOf(*c);
        check(bytes.size() >= 2 && bytes[0] == char(0xA5));
        check(c->kindIndex >= 0 && c->kindIndex <= 5 && c->entry >= 0 && c->entry <= 256);
        check(c->fixture >= 0 && c->fixture <= 48 && c->channel >= 0 && c->channel <= 32);
        check(c->value >= 0 && c->value <= 255);
    }
    return 0;
}
