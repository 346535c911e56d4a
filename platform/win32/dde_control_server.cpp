#include "platform/win32/dde_control_server.h"

#include <windows.h>
#include <ddeml.h>

#include <algorithm>
#include <vector>

namespace quorva {
namespace {

// Service, topic and item names are read into buffers of this size (with the zero).
constexpr DWORD nameBytes = 256;

// The one server of the process: DDEML's callback carries no pointer of its own.
DdeControlServer* runningServer = nullptr;

HDDEDATA CALLBACK serverCallback(UINT type, UINT format, HCONV conversation, HSZ first, HSZ second, HDDEDATA data,
                                 ULONG_PTR data1, ULONG_PTR data2)
{
    if (runningServer == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<HDDEDATA>(
        runningServer->transaction(type, format, first, second, reinterpret_cast<uintptr_t>(data)));
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

bool DdeControlServer::start()
{
    if (runningServer != nullptr) {
        return false;
    }
    DWORD instance = 0;
    // A standard application: every transaction comes to the callback.
    if (DdeInitializeA(&instance, &serverCallback, APPCLASS_STANDARD, 0) != DMLERR_NO_ERROR) {
        return false;
    }
    instance_ = instance;
    runningServer = this;
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
    runningServer = nullptr;
}

uintptr_t DdeControlServer::transaction(uint32_t type, uint32_t format, HSZ first, HSZ second, uintptr_t data)
{
    switch (type) {
    case XTYP_CONNECT: return isOurs(first, second) ? TRUE : FALSE;
    case XTYP_EXECUTE: return execute(first, data);
    case XTYP_REQUEST: return request(first, second, format);
    default: return 0;
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

uintptr_t DdeControlServer::execute(HSZ topic, uintptr_t data)
{
    // The command and its terminating zero.
    const auto command = reinterpret_cast<HDDEDATA>(data);
    const DWORD size = DdeGetData(command, nullptr, 0, 0);
    if (size == 0 || size > maxCommandBytes_ + 1) {
        return DDE_FNOTPROCESSED;
    }
    return handler_.execute(text(topic), textOf(command)) ? DDE_FACK : DDE_FNOTPROCESSED;
}

uintptr_t DdeControlServer::request(HSZ topic, HSZ item, uint32_t format)
{
    if (format != CF_TEXT) {
        return 0;
    }
    const std::optional<std::string> answer = handler_.request(text(topic), text(item));
    if (!answer) {
        return 0;
    }
    return reinterpret_cast<uintptr_t>(DdeCreateDataHandle(instance_,
                                                           reinterpret_cast<LPBYTE>(const_cast<char*>(answer->c_str())),
                                                           static_cast<DWORD>(answer->size() + 1), 0, item, CF_TEXT, 0));
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

void* DdeControlClient::connect(const std::string& service, const std::string& topic)
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
    const auto conversation = static_cast<HCONV>(connect(service, topic));
    if (conversation == nullptr) {
        return false;
    }
    DdeDisconnect(conversation);
    return true;
}

DdeAnswer DdeControlClient::execute(const std::string& service, const std::string& topic, const std::string& command)
{
    DdeAnswer answer;
    const auto conversation = static_cast<HCONV>(connect(service, topic));
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
    const auto conversation = static_cast<HCONV>(connect(service, topic));
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
