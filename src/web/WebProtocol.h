#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

// What the web server answers, apart from any network: which requests are let in, what each path
// serves, and what a message from the live feed asks for. Everything here reads bytes that come
// from the network and trusts none of them.
namespace WebProtocol {

// Who may come in. Without a token, only requests addressed to this machine by a loopback name
// are answered, so that a web site that points its own name at 127.0.0.1 cannot read the page.
struct Access
{
    bool tokenRequired = false;
    QByteArray token;
};

// A request as it came, before any decoding.
struct Request
{
    QByteArray method;
    QByteArray path;  // percent-encoded, as sent
    QByteArray query; // without the '?'
    QByteArray host;
    QByteArray authorization;
    QByteArray origin;
};

struct Reply
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

// The paths served. Anything else, ".." and its encodings included, is not found.
constexpr const char* PagePath = "/";
constexpr const char* ScriptPath = "/app.js";
constexpr const char* StylePath = "/style.css";
constexpr const char* StatePath = "/api/state";
constexpr const char* FeedPath = "/live";

// Compares in a time that depends on the lengths only.
bool sameToken(const QByteArray& a, const QByteArray& b);
// The token a request carries: "Authorization: Bearer ..." or the query's "token".
QByteArray tokenOf(const Request& request);
// 401 without the right token, 403 for a name that is not the loopback's when no token guards
// the server; nothing when the request may go on.
std::optional<int> refusal(const Request& request, const Access& access);
// The answer to a plain request. `resource` reads a file of the page by its path; `state` writes
// the whole state as JSON.
Reply answer(const Request& request, const Access& access,
             const std::function<QByteArray(const char* path)>& resource,
             const std::function<QByteArray()>& state);
// Why a live-feed connection is refused (its close reason), or nothing. The Origin a browser
// sends must name the host the page was loaded from.
std::optional<QString> feedRefusal(const Request& request, const Access& access);

// A command from the page's remote control or a channel value, as the views send them.
struct Command
{
    enum Kind
    {
        PageKind,
        PageDown,
        PageUp,
        EntryPick,
        ChannelValue,
    };
    Kind kind = PageDown;
    int kindIndex = 0; // PageKind: 0..5 as the memory page view offers them
    int entry = 0;     // EntryPick: 1..256
    bool add = false;  // EntryPick: added to the selection (Ctrl in the view)
    int fixture = 0;   // ChannelValue: 1..48
    int channel = 0;   // ChannelValue: 1..32
    int value = 0;     // ChannelValue: 0..255
};

// One message from a client: a command, or why it is refused.
std::variant<Command, QString> parseCommand(const QByteArray& message);
// The command's bytes on the line, from the program's command builders.
QByteArray bytesOf(const Command& command);
// The name a reply gives the command ("pageKind", "channel", ...).
QByteArray nameOf(Command::Kind kind);

} // namespace WebProtocol
