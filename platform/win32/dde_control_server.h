#pragma once
// The player's DDE conversation, service and topic "TMIDI", both ends. The server accepts a
// connection for exactly that service and topic (compared byte for byte), hands execute
// commands and requests to its handler, and refuses every other transaction.
#include <windows.h>
#include <ddeml.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorva {

inline constexpr const char* ddeServiceName = "TMIDI";
inline constexpr const char* ddeTopicName = "TMIDI";

// What the server asks of the player; called on the thread that started the server.
class DdeRequestHandler {
public:
    virtual ~DdeRequestHandler() = default;
    // An XTYP_EXECUTE: true when the command was carried out (answered DDE_FACK).
    virtual bool execute(std::string_view topic, std::string_view command) = 0;
    // An XTYP_REQUEST for text (CF_TEXT): the data, or nothing to refuse.
    virtual std::optional<std::string> request(std::string_view topic, std::string_view item) = 0;
};

// The DDEML server. Its callbacks run while the starting thread dispatches its messages.
class DdeControlServer {
public:
    // Commands of more than `maxCommandBytes` are refused unread.
    DdeControlServer(DdeRequestHandler& handler, size_t maxCommandBytes)
        : handler_(handler), maxCommandBytes_(maxCommandBytes)
    {
    }
    ~DdeControlServer() { stop(); }
    DdeControlServer(const DdeControlServer&) = delete;
    DdeControlServer& operator=(const DdeControlServer&) = delete;

    // False when DDE cannot be initialised, the service cannot be registered, or another
    // server of this process runs.
    bool start();
    void stop();
    bool running() const { return instance_ != 0; }

private:
    static HDDEDATA CALLBACK callback(UINT type, UINT format, HCONV conversation, HSZ first, HSZ second,
                                      HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
    std::string text(HSZ handle) const;
    bool isOurs(HSZ topic, HSZ service) const;
    HDDEDATA execute(HSZ topic, HDDEDATA data);
    HDDEDATA request(HSZ topic, HSZ item, UINT format);

    DdeRequestHandler& handler_;
    size_t maxCommandBytes_;
    DWORD instance_ = 0;
    HSZ service_ = nullptr;
    HSZ topic_ = nullptr;
    // DDEML's callback carries no pointer of its own: the one server of the process.
    static DdeControlServer* running_;
};

// What a client transaction came to.
enum class DdeOutcome : uint8_t {
    NoServer,  // no server took the conversation
    Refused,   // the server refused the transaction
    Done,      // acknowledged (an execute) or answered with data (a request)
    TimedOut,  // the server did not answer in time
};

struct DdeAnswer {
    DdeOutcome outcome = DdeOutcome::NoServer;
    std::string data;  // a request's text
};

// A DDEML client, one transaction per conversation.
class DdeControlClient {
public:
    static constexpr std::chrono::milliseconds timeLimit{3000};

    DdeControlClient();
    ~DdeControlClient();
    DdeControlClient(const DdeControlClient&) = delete;
    DdeControlClient& operator=(const DdeControlClient&) = delete;

    bool serverRuns(const std::string& service, const std::string& topic);
    DdeAnswer execute(const std::string& service, const std::string& topic, const std::string& command);
    DdeAnswer request(const std::string& service, const std::string& topic, const std::string& item);

private:
    HCONV connect(const std::string& service, const std::string& topic);

    DWORD instance_ = 0;
};

}  // namespace quorva
