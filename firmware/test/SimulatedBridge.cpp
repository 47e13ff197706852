#include "SimulatedBridge.h"

#include <algorithm>
#include <avr_ioport.h>
#include <avr_uart.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_interrupts.h>
#include <sim_io.h>

#include <cstring>
#include <stdexcept>

namespace {

// The wiring as the documentation gives it: connector line -> AVR port and bit.
struct Wire {
    int port; // 0 = B, 1 = C, 2 = D
    int bit;
    std::uint16_t line;
};
constexpr Wire Wiring[] = {
    {0, 0, 1u << 0},      {0, 1, 1u << 1},        {2, 2, 1u << 2},    {2, 3, 1u << 3},
    {2, 4, 1u << 4},      {2, 5, 1u << 5},        {2, 6, 1u << 6},    {2, 7, 1u << 7},
    {1, 0, Line::Strobe}, {1, 1, Line::AutoFeed}, {1, 2, Line::Init}, {1, 3, Line::SelectIn},
};
constexpr char PortNames[3] = {'B', 'C', 'D'};
constexpr int UsartRxVector = 18; // USART_RX_vect of the ATmega328P

} // namespace

SimulatedBridge::SimulatedBridge(const std::string& elfPath) {
    // Room behind the struct in case the library was built with more fields.
    struct {
        elf_firmware_t fw;
        unsigned char spare[512];
    } image;
    std::memset(&image, 0, sizeof image);
    if (elf_read_firmware(elfPath.c_str(), &image.fw) != 0)
        throw std::runtime_error("cannot read " + elfPath);
    std::strcpy(image.fw.mmcu, "atmega328p");
    image.fw.frequency = Hz;
    avr_ = avr_make_mcu_by_name(image.fw.mmcu);
    if (!avr_)
        throw std::runtime_error("simavr knows no atmega328p");
    avr_init(avr_);
    avr_->log = LOG_ERROR;
    avr_load_firmware(avr_, &image.fw);

    for (int p = 0; p < 3; ++p) {
        hooks_[p] = {this, p};
        avr_irq_register_notify(
            avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ(PortNames[p]), IOPORT_IRQ_REG_PORT),
            &SimulatedBridge::onPort, &hooks_[p]);
        avr_irq_register_notify(
            avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ(PortNames[p]), IOPORT_IRQ_DIRECTION_ALL),
            &SimulatedBridge::onDirection, &hooks_[p]);
    }

    std::uint32_t flags = 0; // no console echo, no sleeping in status polls
    avr_ioctl(avr_, AVR_IOCTL_UART_SET_FLAGS('0'), &flags);
    uartIn_ = avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            &SimulatedBridge::onUartOut, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON),
                            &SimulatedBridge::onXon, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF),
                            &SimulatedBridge::onXoff, this);
    avr_irq_register_notify(avr_get_interrupt_irq(avr_, UsartRxVector) + AVR_INT_IRQ_RUNNING,
                            &SimulatedBridge::onRxInterrupt, this);
    bp_decoder_init(&replyDecoder_);
}

SimulatedBridge::~SimulatedBridge() {
    avr_terminate(avr_);
}

std::uint64_t SimulatedBridge::cycle() const {
    return avr_->cycle;
}

void SimulatedBridge::run(std::uint64_t cycles) {
    const std::uint64_t until = avr_->cycle + cycles;
    while (avr_->cycle < until) {
        const int state = avr_run(avr_);
        if (state == cpu_Done || state == cpu_Crashed)
            throw std::runtime_error("the simulated chip stopped");
    }
}

bool SimulatedBridge::runUntilReplies(std::size_t count, std::uint64_t limit) {
    const std::uint64_t until = avr_->cycle + limit;
    while (replies_.size() < count && avr_->cycle < until)
        run(64);
    return replies_.size() >= count;
}

std::vector<std::uint8_t> SimulatedBridge::encode(std::uint8_t type, std::uint8_t seq,
                                                  const std::vector<std::uint8_t>& payload) {
    bp_packet p{};
    p.type = type;
    p.seq = seq;
    p.len = static_cast<std::uint8_t>(payload.size());
    if (payload.size() > sizeof p.payload)
        throw std::invalid_argument("payload too long for a packet");
    std::copy(payload.begin(), payload.end(), p.payload);
    std::vector<std::uint8_t> wire(BP_MAX_ENCODED);
    wire.resize(bp_encode(&p, wire.data(), wire.size()));
    return wire;
}

void SimulatedBridge::send(const std::vector<std::uint8_t>& bytes) {
    line_.insert(line_.end(), bytes.begin(), bytes.end());
    bytesSent_ += bytes.size();
    pump();
}

void SimulatedBridge::sendPacket(std::uint8_t type, std::uint8_t seq,
                                 const std::vector<std::uint8_t>& payload) {
    send(encode(type, seq, payload));
}

void SimulatedBridge::pump() {
    while (!xoff_ && !line_.empty()) {
        const std::uint8_t byte = line_.front();
        line_.pop_front();
        avr_raise_irq(uartIn_, byte);
    }
}

void SimulatedBridge::updateLevels() {
    bool all = true;
    std::uint16_t levels = 0;
    for (const Wire& w : Wiring) {
        if (!(ddr_[w.port] & (1u << w.bit)))
            all = false;
        else if (port_[w.port] & (1u << w.bit))
            levels |= w.line;
    }
    if (!all)
        return;
    if (!driven_ || levels != levels_)
        trace_.push_back({avr_->cycle, levels});
    driven_ = true;
    levels_ = levels;
}

void SimulatedBridge::onPort(avr_irq_t*, std::uint32_t value, void* param) {
    auto* hook = static_cast<PortHook*>(param);
    hook->bridge->port_[hook->port] = static_cast<std::uint8_t>(value);
    hook->bridge->updateLevels();
}

void SimulatedBridge::onDirection(avr_irq_t*, std::uint32_t value, void* param) {
    auto* hook = static_cast<PortHook*>(param);
    hook->bridge->ddr_[hook->port] = static_cast<std::uint8_t>(value);
    hook->bridge->updateLevels();
}

void SimulatedBridge::onUartOut(avr_irq_t*, std::uint32_t value, void* param) {
    auto* self = static_cast<SimulatedBridge*>(param);
    Reply r{};
    r.cycle = self->avr_->cycle;
    r.result = bp_decoder_feed(&self->replyDecoder_, static_cast<std::uint8_t>(value), &r.packet);
    if (r.result != BP_NONE)
        self->replies_.push_back(r);
}

void SimulatedBridge::onXon(avr_irq_t*, std::uint32_t value, void* param) {
    auto* self = static_cast<SimulatedBridge*>(param);
    if (value) {
        self->xoff_ = false;
        self->pump();
    }
}

void SimulatedBridge::onXoff(avr_irq_t*, std::uint32_t value, void* param) {
    static_cast<SimulatedBridge*>(param)->xoff_ = value != 0;
}

void SimulatedBridge::onRxInterrupt(avr_irq_t*, std::uint32_t value, void* param) {
    auto* self = static_cast<SimulatedBridge*>(param);
    if (value) {
        ++self->bytesTaken_;
        self->lastTakenCycle_ = self->avr_->cycle;
    }
}
