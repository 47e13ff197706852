#pragma once

// The bridge firmware running in simavr on an ATmega328P at 16 MHz, seen from
// the outside: the twelve connector lines with the cycle of every change, the
// serial line both ways, and nothing of the firmware's insides but the moment
// its receive interrupt takes a byte.

#include "bridge_protocol.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct avr_t;
struct avr_irq_t;

// Connector levels, one bit a line, 1 = high.
namespace Line {
constexpr std::uint16_t DataMask = 0x00FF;   // D0..D7, pins 2..9
constexpr std::uint16_t Strobe = 1u << 8;    // pin 1
constexpr std::uint16_t AutoFeed = 1u << 9;  // pin 14
constexpr std::uint16_t Init = 1u << 10;     // pin 16
constexpr std::uint16_t SelectIn = 1u << 11; // pin 17
constexpr std::uint16_t ControlMask = Strobe | AutoFeed | Init | SelectIn;
} // namespace Line

struct PinEvent {
    std::uint64_t cycle;
    std::uint16_t levels;
};

struct Reply {
    std::uint64_t cycle;
    bp_result result;
    bp_packet packet;
};

class SimulatedBridge {
public:
    static constexpr std::uint64_t Hz = 16000000;
    static constexpr std::uint64_t cyclesFor(double seconds) {
        return static_cast<std::uint64_t>(seconds * Hz + 0.5);
    }

    explicit SimulatedBridge(const std::string& elfPath);
    ~SimulatedBridge();
    SimulatedBridge(const SimulatedBridge&) = delete;
    SimulatedBridge& operator=(const SimulatedBridge&) = delete;

    std::uint64_t cycle() const;
    void run(std::uint64_t cycles);
    // Runs until `count` replies have come, at most `limit` cycles; false on timeout.
    bool runUntilReplies(std::size_t count, std::uint64_t limit);

    // Queues bytes for the line; they go in as fast as the simulated UART takes them.
    void send(const std::vector<std::uint8_t>& bytes);
    void sendPacket(std::uint8_t type, std::uint8_t seq, const std::vector<std::uint8_t>& payload);
    static std::vector<std::uint8_t> encode(std::uint8_t type, std::uint8_t seq,
                                            const std::vector<std::uint8_t>& payload);

    // Bytes the firmware's receive interrupt has taken so far, and when it took the last.
    std::size_t bytesTaken() const { return bytesTaken_; }
    std::uint64_t lastByteTakenAt() const { return lastTakenCycle_; }
    std::size_t bytesSent() const { return bytesSent_; }
    // Bytes still waiting for the simulated UART to have room.
    std::size_t bytesQueued() const { return line_.size(); }

    // Every change of the connector levels since all twelve lines were driven.
    const std::vector<PinEvent>& trace() const { return trace_; }
    bool driven() const { return driven_; }
    std::uint16_t levels() const { return levels_; }

    const std::vector<Reply>& replies() const { return replies_; }

private:
    static void onPort(avr_irq_t* irq, std::uint32_t value, void* param);
    static void onDirection(avr_irq_t* irq, std::uint32_t value, void* param);
    static void onUartOut(avr_irq_t* irq, std::uint32_t value, void* param);
    static void onXon(avr_irq_t* irq, std::uint32_t value, void* param);
    static void onXoff(avr_irq_t* irq, std::uint32_t value, void* param);
    static void onRxInterrupt(avr_irq_t* irq, std::uint32_t value, void* param);
    void updateLevels();
    void pump();

    struct PortHook {
        SimulatedBridge* bridge;
        int port;
    };

    avr_t* avr_ = nullptr;
    PortHook hooks_[3] = {};
    avr_irq_t* uartIn_ = nullptr;
    std::uint8_t port_[3] = {}, ddr_[3] = {}; // B, C, D
    bool driven_ = false;
    std::uint16_t levels_ = 0;
    std::vector<PinEvent> trace_;

    std::deque<std::uint8_t> line_;
    bool xoff_ = true;
    std::size_t bytesSent_ = 0, bytesTaken_ = 0;
    std::uint64_t lastTakenCycle_ = 0;

    bp_decoder replyDecoder_{};
    std::vector<Reply> replies_;
};
