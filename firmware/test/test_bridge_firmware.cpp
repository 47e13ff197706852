// The bridge firmware in simavr, checked against what the PC's parallel port
// puts on the same connector pins. Usage: test_bridge_firmware quentaro-bridge.elf

#include "SimulatedBridge.h"
#include "WireBoard.h"

#include "port/PortSequences.h"
#include "port/RecordingPort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

int failures = 0;
std::string elfPath;

#define CHECK(cond, ...)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            ++failures;                                                                            \
            std::printf("FAIL %s:%d: %s: ", __FILE__, __LINE__, #cond);                            \
            std::printf(__VA_ARGS__);                                                              \
            std::printf("\n");                                                                     \
        }                                                                                          \
    } while (0)

constexpr std::uint64_t Hz = SimulatedBridge::Hz;
constexpr std::uint64_t RowPauseCycles = 640; // 40 us
constexpr std::uint64_t Ms = Hz / 1000;

// ---- What the PC puts on the connector ----

// The control-line table of the port: the four pin levels for every control
// value the program writes.
struct ControlRow {
    std::uint8_t value;
    bool strobe, autoFeed, init, selectIn;
};
constexpr ControlRow ControlTable[] = {
    {0, true, true, false, true},    {1, false, true, false, true},
    {2, true, false, false, true},   {3, false, false, false, true},
    {247, false, false, true, true}, {251, false, false, false, false},
};

std::uint16_t controlLevels(std::uint8_t value) {
    for (const ControlRow& r : ControlTable)
        if (r.value == value)
            return static_cast<std::uint16_t>(
                (r.strobe ? Line::Strobe : 0) | (r.autoFeed ? Line::AutoFeed : 0) |
                (r.init ? Line::Init : 0) | (r.selectIn ? Line::SelectIn : 0));
    std::printf("control value %d is not in the table\n", value);
    ++failures;
    return 0;
}

const std::uint16_t Idle = controlLevels(1);     // after Nulreg: data 0, control 1
const std::uint16_t AfterRow = controlLevels(3); // after a row: data 0, control 3

// One state of the connector and how long it must at least stay (PC pauses).
struct Step {
    std::uint16_t levels;
    std::uint64_t cycle;
    std::uint64_t holdAtLeast;
};

// Collapses what the board cannot tell apart: writes that change no level, and
// data lines that change several times with no control edge in between (the
// board samples data only on control edges).
std::vector<Step> canonical(const std::vector<Step>& steps, std::uint16_t start) {
    std::vector<Step> out;
    std::uint16_t prev = start;
    bool prevDataOnly = false;
    for (const Step& s : steps) {
        if (s.levels == prev) {
            if (!out.empty())
                out.back().holdAtLeast += s.holdAtLeast;
            continue;
        }
        const bool dataOnly = ((s.levels ^ prev) & Line::ControlMask) == 0;
        if (dataOnly && prevDataOnly && !out.empty()) {
            // The run counts from its first change.
            out.back().levels = s.levels;
            out.back().holdAtLeast += s.holdAtLeast;
        } else {
            out.push_back(s);
        }
        prevDataOnly = dataOnly;
        prev = s.levels;
    }
    return out;
}

std::vector<Step> canonical(const std::vector<PinEvent>& trace, std::size_t from, std::size_t to) {
    std::vector<Step> steps;
    for (std::size_t i = from; i < to && i < trace.size(); ++i)
        steps.push_back({trace[i].levels, trace[i].cycle, 0});
    const std::uint16_t start = from > 0 ? trace[from - 1].levels : 0xFFFF;
    return canonical(steps, start);
}

// The PC's writes turned into connector levels through the control-line table.
class PcWire {
public:
    explicit PcWire(std::uint16_t start) : levels_(start), start_(start) {}
    RecordingPort port;
    std::function<void(float)> pause() {
        return [this](float seconds) {
            pauses_[port.count() - 1] += std::llround(double(seconds) * Hz);
        };
    }
    std::vector<Step> steps() {
        std::vector<Step> out;
        std::uint16_t levels = levels_;
        for (std::size_t i = 0; i < port.writes().size(); ++i) {
            const PortWrite& w = port.writes()[i];
            if (w.reg == PortWrite::Register::Data)
                levels = static_cast<std::uint16_t>((levels & Line::ControlMask) | w.value);
            else
                levels =
                    static_cast<std::uint16_t>((levels & Line::DataMask) | controlLevels(w.value));
            out.push_back({levels, 0, pauses_.count(i) ? std::uint64_t(pauses_[i]) : 0});
        }
        return canonical(out, start_);
    }

private:
    std::uint16_t levels_, start_;
    std::map<std::size_t, long long> pauses_;
};

// A picture as sixteen rows from the top, column k in bit k.
using Picture = std::array<std::uint16_t, 16>;

std::vector<std::uint8_t> framePayload(const Picture& p) {
    std::vector<std::uint8_t> out;
    for (std::uint16_t row : p) {
        out.push_back(static_cast<std::uint8_t>(row & 0xFF));
        out.push_back(static_cast<std::uint8_t>(row >> 8));
    }
    return out;
}

// One refresh pass of the PC for a picture, from the state `start`.
std::vector<Step> pcPass(const Picture& picture, std::uint16_t start) {
    std::vector<std::uint8_t> store(FrameStore::CellsPerFrame, FrameStore::Dark);
    for (int cell = 0; cell < 256; ++cell)
        if ((picture[std::size_t(cell / 16)] >> (cell % 16)) & 1)
            store[std::size_t(cell)] = FrameStore::Lit;
    PcWire pc(start);
    auto pause = pc.pause();
    PortSequences::nulreg(pc.port);
    for (int row = 0; row < PortSequences::RowsPerPass; ++row)
        PortSequences::sendRow(pc.port, PortSequences::packRow(store, 1, 15 - row), pause);
    return pc.steps();
}

bool sameLevels(const Step& a, const Step& b) {
    return a.levels == b.levels;
}

// Where `pattern` occurs in `trace` from `from` on, with every pause kept; npos if nowhere.
std::size_t find(const std::vector<Step>& trace, const std::vector<Step>& pattern,
                 std::size_t from = 0) {
    auto it = std::search(trace.begin() + std::ptrdiff_t(std::min(from, trace.size())), trace.end(),
                          pattern.begin(), pattern.end(), sameLevels);
    if (it == trace.end())
        return std::string::npos;
    const std::size_t at = std::size_t(it - trace.begin());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i].holdAtLeast == 0)
            continue;
        if (at + i + 1 >= trace.size() ||
            trace[at + i + 1].cycle - trace[at + i].cycle < pattern[i].holdAtLeast)
            return std::string::npos;
    }
    return at;
}

// ---- Passes as the board shows them ----

struct Pass {
    std::uint64_t start, end; // first row lit, last row dark again
    Picture rows;
};

// Runs of sixteen shown rows, bottom to top, that begin at or after `from`.
std::vector<Pass> passes(const WireBoard& board, std::uint64_t from) {
    std::vector<Pass> out;
    const auto& lit = board.lit();
    for (std::size_t i = 0; i + 16 <= lit.size(); ++i) {
        if (lit[i].from < from || lit[i].screenRow != 15)
            continue;
        Pass p{lit[i].from, lit[i + 15].to, {}};
        bool whole = p.end != 0;
        for (int k = 0; k < 16 && whole; ++k) {
            whole = lit[i + std::size_t(k)].screenRow == 15 - k;
            p.rows[std::size_t(15 - k)] = lit[i + std::size_t(k)].bits;
        }
        if (whole)
            out.push_back(p);
    }
    return out;
}

WireBoard boardFor(const SimulatedBridge& sim) {
    WireBoard board(sim.trace().empty() ? 0 : sim.trace().front().levels);
    board.feed(sim.trace());
    return board;
}

// ---- Talking to the simulated bridge ----

struct Session {
    SimulatedBridge sim{elfPath};
    std::uint64_t readyAt = 0;

    Session() {
        const bool ready = sim.runUntilReplies(1, 50 * Ms);
        CHECK(ready, "no READY within 50 ms");
        if (ready)
            readyAt = sim.replies()[0].cycle;
    }

    // Sends a packet and runs until its reply; returns the reply if one came.
    std::optional<Reply> exchange(const std::vector<std::uint8_t>& bytes) {
        const std::size_t before = sim.replies().size();
        sim.send(bytes);
        if (!sim.runUntilReplies(before + 1, 20 * Ms))
            return std::nullopt;
        return sim.replies()[before];
    }

    void expectAck(const std::optional<Reply>& r, std::uint8_t seq, const char* what) {
        CHECK(r && r->result == BP_OK && r->packet.type == BP_ACK && r->packet.seq == seq,
              "%s: no ACK %d", what, seq);
    }

    void showFrame(const Picture& p, std::uint8_t seq) {
        expectAck(exchange(SimulatedBridge::encode(BP_FRAME, seq, framePayload(p))), seq, "frame");
    }
};

// A picture whose rows all differ, so a pass of it cannot match out of step.
Picture numbered(unsigned seed) {
    Picture p{};
    unsigned x = seed * 2654435761u + 12345u;
    for (std::size_t r = 0; r < 16; ++r) {
        x = x * 1103515245u + 12345u;
        p[r] = static_cast<std::uint16_t>(((x >> 8) & 0xFF00) | (r * 16 + seed % 16));
    }
    return p;
}

std::uint64_t passCycles(const std::vector<Pass>& ps) {
    if (ps.size() < 2)
        return 0;
    return (ps.back().start - ps.front().start) / (ps.size() - 1);
}

double us(std::uint64_t cycles) {
    return double(cycles) * 1e6 / double(Hz);
}

// ---- Cases ----

void bootRunsTheStartupSequenceThenNulreg() {
    Session s;
    const auto& replies = s.sim.replies();
    CHECK(replies.size() == 1 && replies[0].result == BP_OK && replies[0].packet.type == BP_READY &&
              replies[0].packet.len == 1 && replies[0].packet.payload[0] == BP_PROTOCOL_VERSION,
          "first reply is not READY with the protocol version");
    const auto& trace = s.sim.trace();
    CHECK(!trace.empty() && trace.front().levels == Idle,
          "the lines start at %03x, not at the idle levels", trace.empty() ? 0 : trace[0].levels);

    PcWire pc(Idle);
    int counter = 0;
    PortSequences::startup(pc.port, pc.pause(), counter);
    PortSequences::nulreg(pc.port);
    const std::vector<Step> expected = pc.steps();
    std::size_t beforeReady = 0;
    while (beforeReady < trace.size() && trace[beforeReady].cycle < s.readyAt)
        ++beforeReady;
    const std::vector<Step> actual = canonical(trace, 1, beforeReady);
    CHECK(actual.size() == expected.size(), "%zu level changes before READY, the PC makes %zu",
          actual.size(), expected.size());
    for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        CHECK(actual[i].levels == expected[i].levels, "change %zu: %03x, the PC gives %03x", i,
              actual[i].levels, expected[i].levels);
        if (expected[i].holdAtLeast && i + 1 < actual.size()) {
            const std::uint64_t held = actual[i + 1].cycle - actual[i].cycle;
            CHECK(held >= expected[i].holdAtLeast, "change %zu held %llu cycles, the PC waits %llu",
                  i, (unsigned long long)held, (unsigned long long)expected[i].holdAtLeast);
        }
    }

    // Start-up leaves the counter on the top row and the latches empty; the
    // board stays dark and untouched until a frame comes.
    s.sim.run(5 * Ms);
    WireBoard board = boardFor(s.sim);
    CHECK(board.selectedScreenRow() == 0, "start-up leaves row %d selected",
          board.selectedScreenRow());
    CHECK(board.latched() == 0, "the board shows %04x after start-up", board.latched());
    CHECK(s.sim.trace().size() == beforeReady, "the lines moved after READY without a frame");
}

void helloAndPingAreAnswered() {
    Session s;
    struct Case {
        const char* name;
        std::uint8_t type, seq;
        std::vector<std::uint8_t> payload;
        std::uint8_t replyType;
    };
    const Case cases[] = {
        {"hello of this version", BP_HELLO, 7, {BP_PROTOCOL_VERSION}, BP_IDENT},
        {"hello of a newer host", BP_HELLO, 200, {BP_PROTOCOL_VERSION + 1}, BP_IDENT},
        {"ping", BP_PING, 0, {}, BP_ACK},
        {"ping after 255", BP_PING, 255, {}, BP_ACK},
    };
    for (const Case& c : cases) {
        const auto r = s.exchange(SimulatedBridge::encode(c.type, c.seq, c.payload));
        CHECK(r && r->result == BP_OK && r->packet.type == c.replyType && r->packet.seq == c.seq,
              "%s: wrong or no reply", c.name);
        if (r && c.replyType == BP_IDENT) {
            CHECK(r->packet.len == BP_IDENT_PAYLOAD &&
                      r->packet.payload[0] == BP_PROTOCOL_VERSION && r->packet.payload[3] == 16 &&
                      r->packet.payload[4] == 16,
                  "%s: IDENT payload", c.name);
        }
    }
    CHECK(s.sim.replies().size() == 1 + std::size(cases), "extra replies");
}

void framesShowAsThePcSendsThem() {
    Session s;
    Picture corners{};
    corners[0] = 0x8001;  // LEDs 0 and 15
    corners[15] = 0x8001; // LEDs 240 and 255
    Picture all;
    all.fill(0xFFFF);
    Picture checker;
    for (std::size_t r = 0; r < 16; ++r)
        checker[r] = (r % 2) ? 0xAAAA : 0x5555;
    Picture lowHalfOnly{}, dataBits{};
    for (std::size_t r = 0; r < 16; ++r) {
        lowHalfOnly[r] = static_cast<std::uint16_t>(1u << (r % 8));
        dataBits[r] = static_cast<std::uint16_t>(0x0303 << (r % 7)); // bits on both AVR ports
    }
    struct Case {
        const char* name;
        Picture picture;
    };
    const Case cases[] = {
        {"numbered rows", numbered(1)},
        {"corners", corners},
        {"all lit", all},
        {"checkerboard", checker},
        {"left half only", lowHalfOnly},
        {"split data bits", dataBits},
        {"dark", Picture{}},
        {"numbered again", numbered(2)},
    };
    std::uint8_t seq = 10;
    std::uint16_t state = Idle; // dark before the first frame
    std::uint64_t worstFirstRow = 0, worstWhole = 0;
    for (const Case& c : cases) {
        const std::size_t from = s.sim.trace().size();
        s.showFrame(c.picture, ++seq);
        const std::uint64_t lastByte = s.sim.lastByteTakenAt();
        s.sim.run(3 * 16 * 700);
        const auto steps = canonical(s.sim.trace(), from, s.sim.trace().size());
        const auto pass = pcPass(c.picture, state);
        const std::size_t at = find(steps, pass);
        CHECK(at != std::string::npos, "%s: the PC's pass is not on the lines", c.name);
        if (state == Idle)
            CHECK(at == 0, "%s: the first pass after dark does not start the lines", c.name);
        const auto steady = pcPass(c.picture, AfterRow);
        const std::size_t next =
            at == std::string::npos ? at : find(steps, steady, at + pass.size());
        CHECK(next == at + pass.size(), "%s: the next pass does not follow at once", c.name);
        state = AfterRow;

        const WireBoard board = boardFor(s.sim);
        CHECK(board.rows() == c.picture, "%s: the board shows another picture", c.name);
        // Shown from the first pass that opens after the frame was taken: a
        // pass boundary comes within a pass of the ACK, its bottom row a slot later.
        const std::uint64_t ackAt = s.sim.replies().back().cycle;
        const auto shown = passes(board, lastByte);
        auto first = std::find_if(shown.begin(), shown.end(),
                                  [&](const Pass& p) { return p.rows == c.picture; });
        CHECK(first != shown.end(), "%s: no whole pass of the frame", c.name);
        if (first != shown.end()) {
            worstFirstRow = std::max(worstFirstRow, first->start - lastByte);
            worstWhole = std::max(worstWhole, first->end - lastByte);
            CHECK(first->start <= ackAt + passCycles(shown) * 17 / 16,
                  "%s: shown only %.0f us after its ACK", c.name, us(first->start - ackAt));
            for (auto p = first; p != shown.end(); ++p)
                CHECK(p->rows == c.picture, "%s: a later pass differs", c.name);
        }
    }
    std::printf("measured: last byte of a FRAME -> first row of it lit: at most %.0f us; "
                "-> whole frame shown: at most %.0f us\n",
                us(worstFirstRow), us(worstWhole));
}

// Every pass shows one of `pictures`, whole, never an older one after a newer.
// Returns the index of the last one shown, -1 if none.
int checkPassesWhole(const std::vector<Pass>& shown, const std::vector<Picture>& pictures,
                     const char* what) {
    int last = -1;
    for (const Pass& p : shown) {
        auto it = std::find(pictures.begin(), pictures.end(), p.rows);
        CHECK(it != pictures.end(), "%s: the pass at %llu is none of the frames sent", what,
              (unsigned long long)p.start);
        if (it == pictures.end())
            continue;
        const int index = int(it - pictures.begin());
        CHECK(index >= last, "%s: frame %d shown after frame %d", what, index, last);
        last = index;
    }
    return last;
}

void rowsHoldAndPassesStayWholeUnderTraffic() {
    Session s;
    std::vector<Picture> pictures;
    for (unsigned i = 0; i < 24; ++i)
        pictures.push_back(numbered(100 + i));
    // A frame and a ping every 2 ms: the receiver and the transmitter are both
    // busy while the rows go out.
    const std::uint64_t start = s.sim.cycle();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        s.sim.sendPacket(BP_FRAME, std::uint8_t(i), framePayload(pictures[i]));
        s.sim.sendPacket(BP_PING, std::uint8_t(100 + i), {});
        s.sim.run(2 * Ms);
    }
    const bool all = s.sim.runUntilReplies(1 + 2 * pictures.size(), 20 * Ms);
    CHECK(all, "only %zu replies to %zu packets", s.sim.replies().size() - 1, 2 * pictures.size());
    for (std::size_t i = 1; i < s.sim.replies().size(); ++i) {
        const Reply& r = s.sim.replies()[i];
        const std::uint8_t seq =
            (i % 2) ? std::uint8_t((i - 1) / 2) : std::uint8_t(100 + (i - 2) / 2);
        CHECK(r.result == BP_OK && r.packet.type == BP_ACK && r.packet.seq == seq,
              "reply %zu is not the ACK of %d", i, seq);
    }
    s.sim.run(4 * 16 * 700);

    const WireBoard board = boardFor(s.sim);
    const auto shown = passes(board, start);
    const int last = checkPassesWhole(shown, pictures, "paced");
    CHECK(last == int(pictures.size()) - 1, "the last frame shown is %d", last);

    std::uint64_t minHold = ~0ull, maxHold = 0;
    for (const auto& l : board.lit()) {
        if (l.from < start || l.to == 0)
            continue;
        minHold = std::min(minHold, l.to - l.from);
        maxHold = std::max(maxHold, l.to - l.from);
    }
    CHECK(minHold >= RowPauseCycles, "a row lit only %llu cycles", (unsigned long long)minHold);
    // The slots start on the timer, not when the interrupt gets in: traffic
    // moves no edge.
    CHECK(maxHold - minHold <= 8, "row holds spread from %llu to %llu cycles",
          (unsigned long long)minHold, (unsigned long long)maxHold);
    const std::uint64_t perPass = passCycles(shown);
    const double rate = perPass ? double(Hz) / double(perPass) : 0;
    CHECK(rate >= 1500, "%.0f passes per second", rate);
    std::printf("measured: %zu passes under traffic, %.1f passes/s, rows lit %.3f..%.3f us\n",
                shown.size(), rate, us(minHold), us(maxHold));

    // Every frame that went out did so as the PC's pass for it, pauses included.
    const auto steps = canonical(s.sim.trace(), 1, s.sim.trace().size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const bool wasShown = std::any_of(shown.begin(), shown.end(),
                                          [&](const Pass& p) { return p.rows == pictures[i]; });
        if (wasShown)
            CHECK(find(steps, pcPass(pictures[i], AfterRow)) != std::string::npos,
                  "frame %zu went out unlike the PC's pass", i);
    }
}

void aFloodIsRefusedButNeverShownWrong() {
    Session s;
    std::vector<Picture> pictures;
    for (unsigned i = 0; i < 40; ++i)
        pictures.push_back(numbered(300 + i));
    std::vector<std::uint8_t> burst;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const auto f =
            SimulatedBridge::encode(BP_FRAME, std::uint8_t(i), framePayload(pictures[i]));
        burst.insert(burst.end(), f.begin(), f.end());
    }
    const std::uint64_t start = s.sim.cycle();
    s.sim.send(burst);
    s.sim.run(60 * Ms);
    std::size_t acks = 0, naks = 0;
    for (std::size_t i = 1; i < s.sim.replies().size(); ++i) {
        const Reply& r = s.sim.replies()[i];
        CHECK(r.result == BP_OK && (r.packet.type == BP_ACK || r.packet.type == BP_NAK),
              "reply %zu is neither ACK nor NAK", i);
        acks += r.packet.type == BP_ACK;
        naks += r.packet.type == BP_NAK;
    }
    const WireBoard board = boardFor(s.sim);
    const auto shown = passes(board, start);
    checkPassesWhole(shown, pictures, "flood");
    const std::uint64_t span = s.sim.cycle() - start;
    CHECK(shown.size() + 3 >= span / (16 * 664), "the refresh faltered: %zu passes in %.1f ms",
          shown.size(), double(span) / Ms);
    std::printf("measured: a flood of %zu frames at line rate: %zu ACK, %zu NAK\n", pictures.size(),
                acks, naks);

    // A lost delimiter can leave part of a packet in the decoder: a lone 0x00
    // ends it, and the next frame goes through.
    const Picture after = numbered(400);
    s.sim.send({0x00});
    s.sim.run(Ms); // the flushed remains may be answered with a NAK
    s.showFrame(after, 200);
    s.sim.run(2 * 16 * 700);
    CHECK(boardFor(s.sim).rows() == after, "the frame after the flood is not shown");
}

// A packet as the COBS framing carries it, checksum given.
std::vector<std::uint8_t> framed(std::vector<std::uint8_t> raw, bool goodCrc) {
    std::uint16_t crc = bp_crc16(raw.data(), raw.size());
    if (!goodCrc)
        crc ^= 0x0100;
    raw.push_back(std::uint8_t(crc >> 8));
    raw.push_back(std::uint8_t(crc & 0xFF));
    std::vector<std::uint8_t> out{0};
    std::size_t code = 0;
    for (std::uint8_t b : raw) {
        if (b == 0) {
            out[code] = std::uint8_t(out.size() - code);
            code = out.size();
            out.push_back(0);
        } else {
            out.push_back(b);
        }
    }
    out[code] = std::uint8_t(out.size() - code);
    out.push_back(0);
    return out;
}

std::vector<std::uint8_t> rawPacket(std::uint8_t type, std::uint8_t seq,
                                    const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> raw(3 + payload.size());
    raw[0] = type;
    raw[1] = seq;
    raw[2] = std::uint8_t(payload.size());
    std::copy(payload.begin(), payload.end(), raw.begin() + 3);
    return raw;
}

void damagedPacketsAreRefusedAndNeverShown() {
    Session s;
    Picture poison;
    poison.fill(0x0FF0);
    const auto poisonPayload = framePayload(poison);
    const auto whole = SimulatedBridge::encode(BP_FRAME, 66, poisonPayload);
    const std::vector<std::uint8_t> half(whole.begin(),
                                         whole.begin() + std::ptrdiff_t(whole.size() / 2));
    auto withTail = [&](std::vector<std::uint8_t> head, std::vector<std::uint8_t> tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::optional<bp_result> reason; // none: any error class
        std::uint8_t seq;
    };
    const std::vector<std::uint8_t> shortPayload(poisonPayload.begin(), poisonPayload.end() - 1);
    const Case cases[] = {
        {"bad checksum", framed(rawPacket(BP_FRAME, 61, poisonPayload), false), BP_ERR_CRC, 0},
        {"cut off, then a delimiter", withTail(half, {0}), std::nullopt, 0},
        {"cut off, then garbage", withTail(half, {0x13, 0x37, 0xC0, 0xDE, 0x00}), std::nullopt, 0},
        {"frame of 31 bytes", framed(rawPacket(BP_FRAME, 62, shortPayload), true), BP_ERR_LENGTH,
         62},
        {"unknown type", framed(rawPacket(0x55, 63, {}), true), BP_ERR_TYPE, 63},
        {"a type only the device sends", framed(rawPacket(BP_ACK, 64, {}), true), BP_ERR_TYPE, 64},
        {"code byte past the end", {0x09, 0x02, 0x03, 0x00}, BP_ERR_COBS, 0},
        {"too long", withTail(std::vector<std::uint8_t>(60, 0x41), {0}), BP_ERR_LONG, 0},
        {"too short", {0x03, 0x04, 0x05, 0x00}, BP_ERR_SHORT, 0},
    };
    Picture shownNow = numbered(7);
    std::uint8_t seq = 0;
    s.showFrame(shownNow, ++seq);
    for (const Case& c : cases) {
        const std::uint64_t sentAt = s.sim.cycle();
        const auto r = s.exchange(c.bytes);
        CHECK(r && r->result == BP_OK && r->packet.type == BP_NAK && r->packet.len == 1,
              "%s: no NAK", c.name);
        if (r && r->packet.type == BP_NAK) {
            const int reason = r->packet.payload[0];
            CHECK(c.reason ? reason == *c.reason : (reason > BP_OK && reason <= BP_ERR_LENGTH),
                  "%s: NAK reason %d", c.name, reason);
            CHECK(r->packet.seq == c.seq, "%s: NAK seq %d", c.name, r->packet.seq);
        }
        s.sim.run(4 * 16 * 700);
        const WireBoard board = boardFor(s.sim);
        const auto after = passes(board, sentAt);
        CHECK(after.size() >= 3, "%s: the refresh stopped", c.name);
        for (const Pass& p : after)
            CHECK(p.rows == shownNow, "%s: a pass shows something else", c.name);
        // The decoder has started over: the next good frame goes through.
        shownNow = numbered(20 + seq);
        s.showFrame(shownNow, ++seq);
        s.sim.run(2 * 16 * 700);
        CHECK(boardFor(s.sim).rows() == shownNow, "%s: the next frame is not shown", c.name);
    }
}

void blankAndRelight() {
    Session s;
    const Picture a = numbered(3), b = numbered(4);
    s.showFrame(a, 1);
    s.sim.run(2 * 16 * 700);

    const std::size_t from = s.sim.trace().size();
    const auto r = s.exchange(SimulatedBridge::encode(BP_BLANK, 2, {}));
    s.expectAck(r, 2, "blank");
    const std::uint64_t lastByte = s.sim.lastByteTakenAt();
    s.sim.run(10 * Ms);
    const auto& trace = s.sim.trace();
    WireBoard board = boardFor(s.sim);
    CHECK(board.levels() == Idle, "dark lines at %03x, not the Nulreg levels", board.levels());
    CHECK(board.latched() == 0, "the board still shows %04x", board.latched());
    const std::uint64_t quietSince = trace.back().cycle;
    CHECK(s.sim.cycle() - quietSince > 9 * Ms, "the refresh goes on after BLANK");
    const auto before = passes(board, 0);
    CHECK(!before.empty() && before.back().rows == a, "the pass under way was not finished");
    if (!before.empty())
        CHECK(quietSince - lastByte < 2 * passCycles(before), "dark only %.0f us after BLANK",
              us(quietSince - lastByte));
    // After the last pass: the closing Nulreg and nothing else.
    const auto steps = canonical(trace, from, trace.size());
    PcWire closing(AfterRow);
    PortSequences::nulreg(closing.port);
    const auto tail = closing.steps();
    CHECK(steps.size() >= tail.size() &&
              std::equal(tail.begin(), tail.end(), steps.end() - std::ptrdiff_t(tail.size()),
                         sameLevels),
          "the refresh does not end with the PC's Nulreg");

    const std::size_t relight = trace.size();
    s.showFrame(b, 3);
    s.sim.run(3 * 16 * 700);
    const auto again = canonical(s.sim.trace(), relight, s.sim.trace().size());
    CHECK(find(again, pcPass(b, Idle)) == 0, "relighting does not start like the PC's loop");
    CHECK(boardFor(s.sim).rows() == b, "the next frame is not shown");
}

void silenceDarkensAfterTwoSeconds() {
    Session s;
    s.showFrame(numbered(5), 1);
    s.sim.run(SimulatedBridge::cyclesFor(0.5));
    s.expectAck(s.exchange(SimulatedBridge::encode(BP_PING, 2, {})), 2, "ping");
    const std::uint64_t lastPacket = s.sim.lastByteTakenAt();

    s.sim.run(lastPacket + SimulatedBridge::cyclesFor(1.99) - s.sim.cycle());
    CHECK(s.sim.cycle() - s.sim.trace().back().cycle < Ms, "dark before 2 s of silence");
    s.sim.run(SimulatedBridge::cyclesFor(0.03));
    const WireBoard board = boardFor(s.sim);
    const std::uint64_t darkAt = s.sim.trace().back().cycle;
    CHECK(board.levels() == Idle && board.latched() == 0, "not dark after 2 s of silence");
    CHECK(darkAt >= lastPacket + SimulatedBridge::cyclesFor(2.0) &&
              darkAt <= lastPacket + SimulatedBridge::cyclesFor(2.0) + 3 * 16 * 700,
          "dark %.6f s after the last packet", double(darkAt - lastPacket) / Hz);
    std::printf("measured: dark %.4f s after the last valid packet\n",
                double(darkAt - lastPacket) / Hz);

    const Picture next = numbered(6);
    s.showFrame(next, 3);
    s.sim.run(2 * 16 * 700);
    CHECK(boardFor(s.sim).rows() == next, "the next frame does not light the board");
}

// ---- Grey levels ----

using Levels = std::array<std::uint8_t, 256>; // rows from the top

std::vector<std::uint8_t> planePayload(const Levels& levels, int plane) {
    std::vector<std::uint8_t> payload(BP_FRAME_PAYLOAD);
    bp_level_plane(levels.data(), std::uint8_t(plane), payload.data());
    return payload;
}

// Every level in every row and column: the ramp 0..15 along each row, turned
// one column further in each row down.
Levels rampLevels() {
    Levels levels{};
    for (std::size_t cell = 0; cell < levels.size(); ++cell)
        levels[cell] = std::uint8_t((cell % 16 + cell / 16) % 16);
    return levels;
}

std::uint16_t planeBits(const Levels& levels, int row, int plane) {
    std::uint16_t bits = 0;
    for (int column = 0; column < 16; ++column)
        bits =
            std::uint16_t(bits | ((levels[std::size_t(row * 16 + column)] >> plane) & 1) << column);
    return bits;
}

void levelRampLitInProportion() {
    Session s;
    const Levels levels = rampLevels();
    for (int plane = 0; plane < BP_LEVEL_PLANES; ++plane)
        s.expectAck(
            s.exchange(SimulatedBridge::encode(BP_LEVEL_PLANE(plane), std::uint8_t(40 + plane),
                                               planePayload(levels, plane))),
            std::uint8_t(40 + plane), "level plane");
    const std::uint64_t sentAt = s.sim.lastByteTakenAt();
    s.sim.run(Hz / 10);
    const WireBoard board = boardFor(s.sim);

    // A cycle of the planes starts where the bottom row lights with plane 0.
    std::vector<std::uint64_t> starts;
    for (const auto& l : board.lit())
        if (l.from > sentAt && l.screenRow == 15 && l.bits == planeBits(levels, 15, 0))
            starts.push_back(l.from);
    CHECK(starts.size() >= 10, "only %zu cycles of planes in 100 ms", starts.size());
    if (starts.size() < 10)
        return;
    const std::size_t cycles = starts.size() - 2; // the first may be cut short
    const double perCycle = double(starts.back() - starts[1]) / double(cycles);
    const double rate = double(Hz) / perCycle;
    CHECK(rate >= 150, "%.1f cycles of planes per second", rate);

    std::array<double, 256> lit{};
    for (const auto& l : board.lit()) {
        if (l.from < starts[1] || l.from >= starts.back())
            continue;
        for (int column = 0; column < 16; ++column)
            if ((l.bits >> column) & 1)
                lit[std::size_t(l.screenRow * 16 + column)] += double(l.to - l.from) / cycles;
    }
    std::array<double, 16> sum{}, least{}, most{};
    least.fill(1e18);
    for (std::size_t cell = 0; cell < 256; ++cell) {
        const std::size_t level = levels[cell];
        sum[level] += lit[cell];
        least[level] = std::min(least[level], lit[cell]);
        most[level] = std::max(most[level], lit[cell]);
    }
    const double full = sum[15] / 16;
    std::printf("measured: %.1f cycles of 4 planes per second; lit cycles per cycle, level: ",
                rate);
    for (std::size_t level = 0; level < 16; ++level) {
        const double target = full * double(level) / 15;
        std::printf("%zu %.0f%s", level, sum[level] / 16, level < 15 ? ", " : "\n");
        CHECK(level == 0 ? most[0] == 0
                         : std::abs(least[level] - target) <= 0.1 * target &&
                               std::abs(most[level] - target) <= 0.1 * target,
              "level %zu lit %.0f..%.0f cycles, target %.0f", level, least[level], most[level],
              target);
        if (level > 0)
            CHECK(least[level] > most[level - 1], "level %zu is not brighter than %zu", level,
                  level - 1);
    }

    // An on/off frame after the levels goes out as the PC's pass again.
    const Picture after = numbered(8);
    const std::size_t from = s.sim.trace().size();
    s.showFrame(after, 50);
    s.sim.run(SimulatedBridge::cyclesFor(0.02));
    const auto steps = canonical(s.sim.trace(), from, s.sim.trace().size());
    const std::size_t at = find(steps, pcPass(after, AfterRow));
    CHECK(at != std::string::npos, "the frame after levels is not the PC's pass");
    const auto shown = passes(boardFor(s.sim), s.sim.lastByteTakenAt());
    const auto firstWhole =
        std::find_if(shown.begin(), shown.end(), [&](const Pass& p) { return p.rows == after; });
    CHECK(firstWhole != shown.end() && shown.end() - firstWhole >= 20 &&
              std::all_of(firstWhole, shown.end(), [&](const Pass& p) { return p.rows == after; }),
          "the frame after levels is not shown steadily");
    const double passRate = firstWhole == shown.end()
                                ? 0
                                : double(Hz) * double(shown.end() - firstWhole - 1) /
                                      double(shown.back().start - firstWhole->start);
    CHECK(std::abs(passRate - 1506) < 2, "%.1f passes per second after levels", passRate);
}

// Level frames and pings while the planes go out: every row holds for its
// plane's time to within a few cycles, and every cycle of planes shows one
// whole frame, never an older one after a newer.
void levelCyclesStayWholeUnderTraffic() {
    Session s;
    std::vector<Levels> frames;
    for (unsigned i = 0; i < 12; ++i) {
        Levels levels{};
        for (std::size_t cell = 0; cell < levels.size(); ++cell)
            levels[cell] = std::uint8_t((cell * (i + 3) + cell / 16 + i) % 16);
        frames.push_back(levels);
    }
    const std::uint64_t start = s.sim.cycle();
    std::uint8_t seq = 0;
    for (const Levels& levels : frames) {
        for (int plane = 0; plane < BP_LEVEL_PLANES; ++plane)
            s.sim.sendPacket(BP_LEVEL_PLANE(plane), seq++, planePayload(levels, plane));
        s.sim.sendPacket(BP_PING, seq++, {});
        s.sim.run(8 * Ms);
    }
    const bool all = s.sim.runUntilReplies(1 + seq, 20 * Ms);
    CHECK(all, "only %zu replies to %d packets", s.sim.replies().size() - 1, seq);
    for (std::size_t i = 1; i < s.sim.replies().size(); ++i)
        CHECK(s.sim.replies()[i].packet.type == BP_ACK, "reply %zu is no ACK", i);
    s.sim.run(30 * Ms);

    // Plane k holds a row 352 << k cycles; the passes in order, by plane.
    std::array<std::uint64_t, 4> least{}, most{};
    least.fill(~0ull);
    struct PlanePass {
        int plane;
        std::array<std::uint16_t, 16> rows;
        int rowsSeen;
    };
    std::vector<PlanePass> passesSeen;
    const WireBoard board = boardFor(s.sim);
    for (const auto& l : board.lit()) {
        if (l.from < start || l.to == 0)
            continue;
        const std::uint64_t held = l.to - l.from;
        int plane = 0;
        while (plane < 3 && held > (352ull << plane) * 3 / 2)
            ++plane;
        least[std::size_t(plane)] = std::min(least[std::size_t(plane)], held);
        most[std::size_t(plane)] = std::max(most[std::size_t(plane)], held);
        if (l.screenRow == 15)
            passesSeen.push_back({plane, {}, 0});
        if (!passesSeen.empty()) {
            passesSeen.back().rows[std::size_t(l.screenRow)] = l.bits;
            ++passesSeen.back().rowsSeen;
        }
    }
    for (int plane = 0; plane < 4; ++plane) {
        const std::uint64_t target = 352ull << plane;
        CHECK(least[std::size_t(plane)] + 8 >= target && most[std::size_t(plane)] <= target + 8,
              "plane %d rows held %llu..%llu cycles, not %llu", plane,
              (unsigned long long)least[std::size_t(plane)],
              (unsigned long long)most[std::size_t(plane)], (unsigned long long)target);
    }
    int last = -1;
    std::size_t cycles = 0;
    for (std::size_t i = 0; i + 4 <= passesSeen.size(); ++i) {
        if (passesSeen[i].plane != 0 || passesSeen[i + 3].rowsSeen != 16)
            continue;
        Levels shown{};
        for (int plane = 0; plane < 4; ++plane) {
            CHECK(passesSeen[i + std::size_t(plane)].plane == plane, "planes out of order");
            for (std::size_t cell = 0; cell < 256; ++cell)
                shown[cell] = std::uint8_t(
                    shown[cell] |
                    ((passesSeen[i + std::size_t(plane)].rows[cell / 16] >> (cell % 16)) & 1)
                        << plane);
        }
        const auto it = std::find(frames.begin(), frames.end(), shown);
        CHECK(it != frames.end(), "cycle %zu shows none of the frames sent", cycles);
        if (it != frames.end()) {
            CHECK(int(it - frames.begin()) >= last, "an older frame after a newer one");
            last = int(it - frames.begin());
        }
        ++cycles;
    }
    CHECK(last == int(frames.size()) - 1, "the last frame shown is %d", last);
    std::printf("measured: %zu cycles of planes under traffic, rows held %.3f..%.3f us in plane "
                "0, %.3f..%.3f us in plane 3\n",
                cycles, us(least[0]), us(most[0]), us(least[3]), us(most[3]));
}

// The silence counts in whole cycles of planes: dark at the first cycle
// boundary after 2 s, as with on/off frames.
void silenceDarkensLevelsAfterTwoSeconds() {
    Session s;
    const Levels levels = rampLevels();
    for (int plane = 0; plane < BP_LEVEL_PLANES; ++plane)
        s.expectAck(s.exchange(SimulatedBridge::encode(BP_LEVEL_PLANE(plane), std::uint8_t(plane),
                                                       planePayload(levels, plane))),
                    std::uint8_t(plane), "level plane");
    const std::uint64_t lastPacket = s.sim.lastByteTakenAt();
    const std::uint64_t cycle = 16 * (4 * 13 + 15 * 352);
    s.sim.run(lastPacket + SimulatedBridge::cyclesFor(1.99) - s.sim.cycle());
    CHECK(s.sim.cycle() - s.sim.trace().back().cycle < Ms, "dark before 2 s of silence");
    s.sim.run(SimulatedBridge::cyclesFor(0.03));
    const WireBoard board = boardFor(s.sim);
    const std::uint64_t darkAt = s.sim.trace().back().cycle;
    CHECK(board.levels() == Idle && board.latched() == 0, "not dark after 2 s of silence");
    CHECK(darkAt >= lastPacket + SimulatedBridge::cyclesFor(2.0) &&
              darkAt <= lastPacket + SimulatedBridge::cyclesFor(2.0) + 2 * cycle,
          "dark %.6f s after the last packet", double(darkAt - lastPacket) / Hz);
    std::printf("measured: levels dark %.4f s after the last valid packet\n",
                double(darkAt - lastPacket) / Hz);
}

// A level frame shows only once planes 0 to 3 have come in order; any other
// order is refused and leaves the board as it was.
void levelPlanesOutOfOrderAreRefused() {
    struct Case {
        const char* name;
        std::vector<int> planes; // the last is refused
    };
    const Case cases[] = {
        {"plane 1 first", {1}},
        {"plane 3 alone", {3}},
        {"a plane left out", {0, 1, 3}},
        {"a plane twice", {0, 1, 1}},
        {"back to an earlier one", {0, 1, 2, 1}},
    };
    Session s;
    const Picture steady = numbered(9);
    s.showFrame(steady, 1);
    const Levels levels = rampLevels();
    std::uint8_t seq = 10;
    for (const Case& c : cases) {
        std::optional<Reply> last;
        for (int plane : c.planes)
            last = s.exchange(
                SimulatedBridge::encode(BP_LEVEL_PLANE(plane), ++seq, planePayload(levels, plane)));
        CHECK(last && last->packet.type == BP_NAK && last->packet.seq == seq &&
                  last->packet.payload[0] == BP_ERR_ORDER,
              "%s: no NAK for the plane out of order", c.name);
        // The planes taken before are dropped: the rest of a frame shows nothing.
        for (int plane = c.planes.size() > 1 ? c.planes[1] : 1; plane < BP_LEVEL_PLANES; ++plane)
            s.exchange(
                SimulatedBridge::encode(BP_LEVEL_PLANE(plane), ++seq, planePayload(levels, plane)));
        const std::uint64_t since = s.sim.cycle();
        s.sim.run(3 * 16 * 700);
        const auto after = passes(boardFor(s.sim), since);
        CHECK(after.size() >= 2 && std::all_of(after.begin(), after.end(),
                                               [&](const Pass& p) { return p.rows == steady; }),
              "%s: the board changed", c.name);
    }
}

// The light an image gives over whole cycles (a pass of an on/off frame, four
// plane passes of levels): lit LEDs times their lit cycles, per cycle of time.
struct Light {
    double share = 0;  // mean number of LEDs lit
    double period = 0; // cycles from one cycle of the image to the next
};

Light lightOver(Session& s, std::uint16_t bottomRowBits, std::uint64_t cycles) {
    const std::uint64_t from = s.sim.cycle();
    s.sim.run(cycles);
    const WireBoard board = boardFor(s.sim);
    std::vector<std::uint64_t> starts;
    for (const auto& l : board.lit())
        if (l.from > from && l.screenRow == 15 && l.bits == bottomRowBits)
            starts.push_back(l.from);
    CHECK(starts.size() >= 6, "only %zu cycles of the image", starts.size());
    if (starts.size() < 6)
        return {};
    double lit = 0;
    for (const auto& l : board.lit())
        if (l.from >= starts[1] && l.from < starts.back())
            lit += std::popcount(l.bits) * double(l.to - l.from);
    const double window = double(starts.back() - starts[1]);
    return {lit / window, window / double(starts.size() - 2)};
}

// BRIGHTNESS lights every row for the percentage of its time at full light,
// the cycles keeping at least 150 a second; 100 % again gives back the
// undimmed timing exactly, and a value out of range is refused and changes
// nothing.
void brightnessSetsTheLitShare() {
    const Levels levels = rampLevels();
    const Picture picture = numbered(3);
    struct Kind {
        const char* name;
        bool levels;
        std::uint64_t period; // undimmed
    };
    const Kind kinds[] = {
        {"on/off", false, 16 * 664},
        {"levels", true, 16 * (4 * 13 + 15 * 352)},
    };
    struct Row {
        int sent, expected; // percent; 0 sends HELLO, which starts at full light
    };
    const Row rows[] = {{50, 50}, {20, 20}, {4, 20},  {101, 20},
                        {5, 5},   {0, 100}, {20, 20}, {100, 100}};
    for (const Kind& kind : kinds) {
        Session s;
        std::uint8_t seq = 0;
        if (kind.levels) {
            for (int plane = 0; plane < BP_LEVEL_PLANES; ++plane) {
                ++seq;
                s.expectAck(s.exchange(SimulatedBridge::encode(BP_LEVEL_PLANE(plane), seq,
                                                               planePayload(levels, plane))),
                            seq, "level plane");
            }
        } else {
            s.showFrame(picture, ++seq);
        }
        const std::uint16_t bottom = kind.levels ? planeBits(levels, 15, 0) : picture[15];
        const Light full = lightOver(s, bottom, 10 * kind.period);
        CHECK(std::llround(full.period) == std::llround(double(kind.period)),
              "%s: undimmed cycle of %.1f cycles", kind.name, full.period);
        for (const Row& r : rows) {
            ++seq;
            const auto reply =
                s.exchange(r.sent ? SimulatedBridge::encode(0x09, seq, {std::uint8_t(r.sent)})
                                  : SimulatedBridge::encode(BP_HELLO, seq, {BP_PROTOCOL_VERSION}));
            if (r.sent == 0)
                CHECK(reply && reply->packet.type == BP_IDENT, "no IDENT");
            else if (r.sent == r.expected)
                s.expectAck(reply, seq, "brightness");
            else
                CHECK(reply && reply->packet.type == BP_NAK && reply->packet.len == 1 &&
                          reply->packet.payload[0] == BP_ERR_VALUE,
                      "%s: brightness %d not refused as out of range", kind.name, r.sent);
            const Light dimmed = lightOver(s, bottom, 8 * kind.period * 100 / r.expected);
            const double ratio = dimmed.share / full.share;
            CHECK(std::abs(ratio * 100 / r.expected - 1) <= 0.05,
                  "%s at %d %%: lit %.1f %% of full", kind.name, r.sent, ratio * 100);
            CHECK(double(Hz) / dimmed.period >= 150, "%s at %d %%: %.1f cycles a second", kind.name,
                  r.expected, double(Hz) / dimmed.period);
            if (r.expected == 100)
                CHECK(std::llround(dimmed.period) == std::llround(full.period),
                      "%s back at 100 %%: cycle of %.1f cycles, not %.1f", kind.name, dimmed.period,
                      full.period);
            std::printf("measured: %s, %s %d: lit %.1f %% of full, %.1f cycles/s\n", kind.name,
                        r.sent ? "brightness" : "HELLO, then", r.sent ? r.sent : 100, ratio * 100,
                        double(Hz) / dimmed.period);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s quentaro-bridge.elf\n", argv[0]);
        return 2;
    }
    elfPath = argv[1];
    const std::pair<const char*, void (*)()> cases[] = {
        {"boot runs the start-up sequence then Nulreg", bootRunsTheStartupSequenceThenNulreg},
        {"HELLO and PING are answered", helloAndPingAreAnswered},
        {"frames show as the PC sends them", framesShowAsThePcSendsThem},
        {"rows hold and passes stay whole under traffic", rowsHoldAndPassesStayWholeUnderTraffic},
        {"a flood is refused but never shown wrong", aFloodIsRefusedButNeverShownWrong},
        {"damaged packets are refused and never shown", damagedPacketsAreRefusedAndNeverShown},
        {"BLANK darkens, a frame relights", blankAndRelight},
        {"silence darkens after two seconds", silenceDarkensAfterTwoSeconds},
        {"a level ramp is lit in proportion", levelRampLitInProportion},
        {"level planes out of order are refused", levelPlanesOutOfOrderAreRefused},
        {"level cycles stay whole under traffic", levelCyclesStayWholeUnderTraffic},
        {"silence darkens levels after two seconds", silenceDarkensLevelsAfterTwoSeconds},
        {"brightness sets the lit share", brightnessSetsTheLitShare},
    };
    for (const auto& [name, run] : cases) {
        const int before = failures;
        try {
            run();
        } catch (const std::exception& e) {
            ++failures;
            std::printf("FAIL %s: %s\n", name, e.what());
        }
        std::printf("%s %s\n", failures == before ? "PASS" : "FAIL", name);
    }
    std::printf("%d failure(s)\n", failures);
    return failures ? 1 : 0;
}
