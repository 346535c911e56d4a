#include "platform/win32/dde_control_server.h"

#include <algorithm>
#include <vector>

namespace quorva {
namespace {

// Service, topic and item names are read into buffers of this size (with the zero).
constexpr DWORD nameBytes = 256;

HDDEDATA flag(ULONG_PTR value)
{
    return reinterpret_cast<HDDEDATA>(value);
}

// The bytes up to the first zero.
std::string textOf(HDDEDATA data)
{
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::vector<char> bytes(size);
    DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    std::string text(bytes.begin(), bytes.end());
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

}  // namespace

DdeControlServer* DdeControlServer::running_ = nullptr;

bool DdeControlServer::start()
{
    if (running_ != nullptr) {
        return false;
    }
    DWORD instance = 0;
    // A standard application: every transaction comes to the callback.
    if (DdeInitializeA(&instance, &DdeControlServer::callback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) {
        return false;
    }
    instance_ = instance;
    running_ = this;
    service_ = DdeCreateStringHandleA(instance_, ddeServiceName, CP_WINANSI);
    topic_ = DdeCreateStringHandleA(instance_, ddeTopicName, CP_WINANSI);
    if (service_ == nullptr || topic_ == nullptr || DdeNameService(instance_, service_, nullptr, DNS_REGISTER) == nullptr) {
        stop();
        return false;
    }
    return true;
}

void DdeControlServer::stop()
{
    if (instance_ == 0) {
        return;
    }
    if (service_ != nullptr) {
        DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(instance_, service_);
        service_ = nullptr;
    }
    if (topic_ != nullptr) {
        DdeFreeStringHandle(instance_, topic_);
        topic_ = nullptr;
    }
    DdeUninitialize(instance_);
    instance_ = 0;
    running_ = nullptr;
}

HDDEDATA CALLBACK DdeControlServer::callback(UINT type, UINT format, HCONV conversation, HSZ first, HSZ second,
                                             HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2)
{
    DdeControlServer* server = running_;
    if (server == nullptr) {
        return nullptr;
    }
    switch (type) {
    case XTYP_CONNECT: return flag(server->isOurs(first, second) ? TRUE : FALSE);
    case XTYP_EXECUTE: return server->execute(first, data);
    case XTYP_REQUEST: return server->request(first, second, format);
    default: return nullptr;
    }
}

std::string DdeControlServer::text(HSZ handle) const
{
    char buffer[nameBytes] = {};
    const DWORD length = DdeQueryStringA(instance_, handle, buffer, nameBytes, CP_WINANSI);
    return std::string(buffer, std::min<DWORD>(length, nameBytes - 1));
}

// DDE matches names without regard to case; the player wants them exactly.
bool DdeControlServer::isOurs(HSZ topic, HSZ service) const
{
    return text(service) == ddeServiceName && text(topic) == ddeTopicName;
}

HDDEDATA DdeControlServer::execute(HSZ topic, HDDEDATA data)
{
    // The command and its terminating zero.
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    if (size == 0 || size > maxCommandBytes_ + 1) {
        return flag(DDE_FNOTPROCESSED);
    }
    return flag(handler_.execute(text(topic), textOf(data)) ? DDE_FACK : DDE_FNOTPROCESSED);
}

HDDEDATA DdeControlServer::request(HSZ topic, HSZ item, UINT format)
{
    if (format != CF_TEXT) {
        return nullptr;
    }
    const std::optional<std::string> answer = handler_.request(text(topic), text(item));
    if (!answer) {
        return nullptr;
    }
    return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(const_cast<char*>(answer->c_str())),
                               static_cast<DWORD>(answer->size() + 1), 0, item, CF_TEXT, 0);
}

DdeControlClient::DdeControlClient()
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, nullptr, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR) {
        instance_ = instance;
    }
}

DdeControlClient::~DdeControlClient()
{
    if (instance_ != 0) {
        DdeUninitialize(instance_);
    }
}

HCONV DdeControlClient::connect(const std::string& service, const std::string& topic)
{
    if (instance_ == 0) {
        return nullptr;
    }
    HSZ serviceHandle = DdeCreateStringHandleA(instance_, service.c_str(), CP_WINANSI);
    HSZ topicHandle = DdeCreateStringHandleA(instance_, topic.c_str(), CP_WINANSI);
    HCONV conversation = DdeConnect(instance_, serviceHandle, topicHandle, nullptr);
    DdeFreeStringHandle(instance_, serviceHandle);
    DdeFreeStringHandle(instance_, topicHandle);
    return conversation;
}

bool DdeControlClient::serverRuns(const std::string& service, const std::string& topic)
{
    HCONV conversation = connect(service, topic);
    if (conversation == nullptr) {
        return false;
    }
    DdeDisconnect(conversation);
    return true;
}

DdeAnswer DdeControlClient::execute(const std::string& service, const std::string& topic, const std::string& command)
{
    DdeAnswer answer;
    HCONV conversation = connect(service, topic);
    if (conversation == nullptr) {
        return answer;
    }
    DWORD status = 0;
    const HDDEDATA done =
        DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(command.c_str())),
                             static_cast<DWORD>(command.size() + 1), conversation, nullptr, 0, XTYP_EXECUTE,
                             static_cast<DWORD>(timeLimit.count()), &status);
    if (done != nullptr && (status & DDE_FACK) != 0) {
        answer.outcome = DdeOutcome::Done;
    } else {
        answer.outcome = DdeGetLastError(instance_) == DMLERR_EXECACKTIMEOUT ? DdeOutcome::TimedOut : DdeOutcome::Refused;
    }
    DdeDisconnect(conversation);
    return answer;
}

DdeAnswer DdeControlClient::request(const std::string& service, const std::string& topic, const std::string& item)
{
    DdeAnswer answer;
    HCONV conversation = connect(service, topic);
    if (conversation == nullptr) {
        return answer;
    }
    HSZ itemHandle = DdeCreateStringHandleA(instance_, item.c_str(), CP_WINANSI);
    const HDDEDATA data = DdeClientTransaction(nullptr, 0, conversation, itemHandle, CF_TEXT, XTYP_REQUEST,
                                               static_cast<DWORD>(timeLimit.count()), nullptr);
    DdeFreeStringHandle(instance_, itemHandle);
    if (data != nullptr) {
        answer.outcome = DdeOutcome::Done;
        answer.data = textOf(data);
        DdeFreeDataHandle(data);
    } else {
        answer.outcome = DdeGetLastError(instance_) == DMLERR_DATAACKTIMEOUT ? DdeOutcome::TimedOut : DdeOutcome::Refused;
    }
    DdeDisconnect(conversation);
    return answer;
}

}  // namespace quorva
