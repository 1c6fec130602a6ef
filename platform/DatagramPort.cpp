#include "platform/DatagramPort.h"

#include <string>
#include <thread>
#include <utility>

namespace horavane {
namespace {

class UdpPort final : public DatagramPort {
  public:
    UdpPort(PortLock lock, NetworkLibrary library, UdpSocket socket)
        : lock_(std::move(lock)), library_(std::move(library)), socket_(std::move(socket)) {}

    bool SendTo(Ipv4Address destination, std::uint16_t port, std::span<const std::uint8_t> bytes) override {
        return socket_.SendTo(destination, port, bytes);
    }
    UdpSocket::Wait WaitReadable(std::chrono::milliseconds limit) override {
        return socket_.WaitReadable(limit);
    }
    std::optional<ReceivedDatagram> ReceiveInto(std::span<std::uint8_t> buffer) override {
        return socket_.ReceiveInto(buffer);
    }
    Time Now() const override { return std::chrono::steady_clock::now(); }
    void SleepUntil(Time until) override { std::this_thread::sleep_until(until); }

  private:
    // Declared first so that they are released last, after the socket is closed.
    PortLock lock_;
    NetworkLibrary library_;
    UdpSocket socket_;
};

}  // namespace

namespace {

std::unique_ptr<DatagramPort> OpenPort(const PortRequest& request, std::string* bindError) {
    auto attempt = TakePortLock(request.localPort, request.lockWait);
    if (!attempt.lock) {
        if (bindError)
            *bindError = attempt.refusal.empty() ? "the wait for the clock port was stopped"
                                                 : "the clock port cannot be guarded: " + attempt.refusal;
        return nullptr;
    }
    auto library = NetworkLibrary::Start(request.libraryMajor, request.libraryMinor);
    if (!library) {
        if (bindError) *bindError = "the network library does not start";
        return nullptr;
    }
    auto socket = UdpSocket::Create();
    if (!socket) {
        if (bindError) *bindError = "no UDP socket can be had";
        return nullptr;
    }
    if (request.receiveBuffer > 0) socket->SetReceiveBuffer(request.receiveBuffer);
    if (!socket->Bind(Ipv4Address{}, request.localPort, bindError) && bindError) return nullptr;
    return std::make_unique<UdpPort>(std::move(*attempt.lock), std::move(*library), std::move(*socket));
}

}  // namespace

std::unique_ptr<DatagramPort> OpenUdpPort(const PortRequest& request) {
    return OpenPort(request, nullptr);
}

std::unique_ptr<DatagramPort> OpenBoundUdpPort(const PortRequest& request, std::string& error) {
    return OpenPort(request, &error);
}

}  // namespace horavane
