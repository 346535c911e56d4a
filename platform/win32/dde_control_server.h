#pragma once
// The player's DDE conversation, service and topic "TMIDI", both ends. The server accepts a
// connection for exactly that service and topic (compared byte for byte), hands execute
// commands and requests to its handler, and refuses every other transaction.
#include <chrono>
#include <cstdint>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct HSZ__;

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

    // A transaction DDEML's callback hands on (DDEML's data handles as opaque values); its
    // result for DDEML.
    uintptr_t transaction(uint32_t type, uint32_t format, HSZ__* first, HSZ__* second, uintptr_t data);

private:
    std::string text(HSZ__* handle) const;
    bool isOurs(HSZ__* topic, HSZ__* service) const;
    uintptr_t execute(HSZ__* topic, uintptr_t data);
    uintptr_t request(HSZ__* topic, HSZ__* item, uint32_t format);

    DdeRequestHandler& handler_;
    size_t maxCommandBytes_;
    uint32_t instance_ = 0;
    HSZ__* service_ = nullptr;
    HSZ__* topic_ = nullptr;
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
    // The conversation's handle, null when no server took it.
    void* connect(const std::string& service, const std::string& topic);

    uint32_t instance_ = 0;
};

}  // namespace quorva
