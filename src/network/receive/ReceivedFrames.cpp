#include "network/receive/ReceivedFrames.h"

#include "network/NetworkPackets.h"
#include "network/NetworkTarget.h"

#include <QStringList>
#include <algorithm>

using namespace ReceivedPackets;

namespace {

constexpr int Side = 16;
constexpr int MaxLevel = 15;
constexpr int ArtNetMergesAtMost = 2;
// Synchronisation addresses kept besides those of the sources taken (for a
// synchronisation packet that comes before the data), and the senders kept an
// address.
constexpr int SpareSyncAddresses = 8;
constexpr std::size_t SyncSendersKept = 4;

// E1.31's rule for a packet out of order: one at most 20 behind the last, or
// the same again, is dropped; anything else is a new run of the sequence.
bool outOfOrder(int last, int next) {
    if (last < 0)
        return false;
    const int step = int(std::int8_t(std::uint8_t(next - last)));
    return step <= 0 && step > -20;
}

bool contains(const std::vector<int>& numbers, int n) {
    return std::find(numbers.begin(), numbers.end(), n) != numbers.end();
}

QString joined(const std::vector<int>& numbers) {
    QStringList words;
    for (int n : numbers)
        words << QString::number(n);
    return words.join(QStringLiteral(", "));
}

} // namespace

int channelCount(ChannelLayout layout) {
    return layout == ChannelLayout::Rgb ? PanelMapping::Leds * 3 : PanelMapping::Leds;
}

std::vector<int> boardUniverses(const ReceiveSetup& setup) {
    if (setup.protocol == Protocol::Ddp)
        return {};
    if (setup.layout == ChannelLayout::Single)
        return {setup.universe};
    return {setup.universe, setup.universe + 1};
}

QString receiveSetupProblem(const ReceiveSetup& setup) {
    if (setup.protocol == Protocol::Ddp)
        return {};
    const UniverseRange range = setup.protocol == Protocol::E131 ? E131Universes : ArtNetUniverses;
    const int last = range.highest - int(boardUniverses(setup).size()) + 1;
    if (setup.universe < range.lowest || setup.universe > last)
        return QStringLiteral("%1: the board's first universe is %2 ... %3, not %4")
            .arg(protocolName(setup.protocol))
            .arg(range.lowest)
            .arg(last)
            .arg(setup.universe);
    return {};
}

PortIo::LevelFrame levelsFromChannels(const ReceiveSetup& setup, QByteArrayView channels) {
    const int width = setup.layout == ChannelLayout::Rgb ? 3 : 1;
    const auto channel = [channels](qsizetype at) {
        return at < channels.size() ? int(std::uint8_t(channels[at])) : 0;
    };
    PortIo::LevelFrame levels{};
    for (int row = 0; row < Side; ++row) {
        for (int column = 0; column < Side; ++column) {
            const qsizetype first = qsizetype(setup.mapping.ledIndex(row, column)) * width;
            int value = 0;
            for (int c = 0; c < width; ++c)
                value = std::max(value, channel(first + c));
            levels[std::size_t(row * Side + column)] = std::uint8_t((value * MaxLevel + 127) / 255);
        }
    }
    return levels;
}

ReceivedFrames::ReceivedFrames(ReceiveSetup setup)
    : setup_(std::move(setup)), universes_(boardUniverses(setup_)), inputs_(universes_.size()),
      fresh_(universes_.size(), false), ddpBuffer_(channelCount(setup_.layout), '\0') {
    if (setup_.protocol == Protocol::ArtNet)
        setup_.maxSources = std::min(setup_.maxSources, ArtNetMergesAtMost);
}

ReceivedFrames::Outcome ReceivedFrames::take(Time now, const Sender& from, const Packet& packet) {
    if (const Refused* r = std::get_if<Refused>(&packet))
        return r->forOthers ? Outcome{{}, std::nullopt, r->why} : Outcome{r->why, std::nullopt, {}};
    if (const auto* data = std::get_if<E131Data>(&packet);
        data && setup_.protocol == Protocol::E131)
        return takeE131(now, *data);
    if (const auto* sync = std::get_if<E131Sync>(&packet);
        sync && setup_.protocol == Protocol::E131)
        return takeE131Sync(now, *sync);
    if (const auto* dmx = std::get_if<ArtDmx>(&packet); dmx && setup_.protocol == Protocol::ArtNet)
        return takeArtDmx(now, from, *dmx);
    if (std::holds_alternative<ArtSync>(packet) && setup_.protocol == Protocol::ArtNet)
        return takeArtSync(now, from);
    if (const auto* ddp = std::get_if<DdpData>(&packet); ddp && setup_.protocol == Protocol::Ddp)
        return takeDdp(now, from, *ddp);
    if (std::holds_alternative<ArtPoll>(packet) || std::holds_alternative<DdpStatusQuery>(packet))
        return {}; // answered by whoever holds the socket
    return {
        QStringLiteral("a packet of another protocol than %1").arg(protocolName(setup_.protocol)),
        std::nullopt};
}

ReceivedFrames::Outcome ReceivedFrames::takeE131(Time now, const E131Data& data) {
    const int p = part(data.universe);
    if (p < 0)
        return {{}, std::nullopt, unknownUniverse(data.universe)};
    const QString id = data.cid.toString(QUuid::WithoutBraces);
    std::vector<Input>& list = inputs_[std::size_t(p)];
    const auto known =
        std::find_if(list.begin(), list.end(), [&](const Input& i) { return i.id == id; });
    if (known != list.end() && outOfOrder(known->sequence, data.sequence))
        return {QStringLiteral("E1.31: sequence %1 after %2 from \"%3\": late, dropped")
                    .arg(data.sequence)
                    .arg(known->sequence)
                    .arg(known->name),
                std::nullopt};
    if (data.streamTerminated) {
        if (known == list.end())
            return {};
        drop(p, id);
        return {{}, sourcesChanged()};
    }
    QString refused;
    Input* in = input(p, id, now, refused);
    if (!in)
        return {refused, std::nullopt};
    in->name = data.sourceName;
    in->priority = data.priority;
    in->sequence = data.sequence;
    in->syncAddress = data.syncAddress;
    in->forceSync = data.forceSynchronization;
    const bool everSynced = e131Sync_.count(data.syncAddress) > 0;
    const bool hold = data.syncAddress != 0 && (e131SyncActive(data.syncAddress, now) ||
                                                (everSynced && !data.forceSynchronization));
    if (hold) {
        in->held = data.values;
        return {};
    }
    in->held.reset();
    in->values = data.values;
    return {{}, updated(p)};
}

// Synchronisation is kept by address for holding and releasing, and by sender
// within the address for the sequence.
ReceivedFrames::Outcome ReceivedFrames::takeE131Sync(Time now, const E131Sync& sync) {
    SyncAddress* address = syncAddress(sync.syncAddress);
    if (!address)
        return {{},
                std::nullopt,
                QStringLiteral("E1.31: synchronisation address %1, none of the sources'")
                    .arg(sync.syncAddress)};
    SyncSender& sender = syncSender(*address, sync.cid.toString(QUuid::WithoutBraces));
    if (outOfOrder(sender.sequence, sync.sequence))
        return {QStringLiteral("E1.31: synchronisation sequence %1 after %2: late, dropped")
                    .arg(sync.sequence)
                    .arg(sender.sequence),
                std::nullopt};
    sender.sequence = sync.sequence;
    sender.lastSeen = now;
    address->lastSeen = now;
    bool released = false;
    for (std::vector<Input>& list : inputs_) {
        for (Input& in : list) {
            if (in.held && in.syncAddress == sync.syncAddress) {
                in.values = *in.held;
                in.held.reset();
                released = true;
            }
        }
    }
    return {{}, released ? frameNow() : std::nullopt};
}

ReceivedFrames::Outcome ReceivedFrames::takeArtDmx(Time now, const Sender& from,
                                                   const ArtDmx& dmx) {
    const int p = part(dmx.portAddress);
    if (p < 0)
        return {{}, std::nullopt, unknownUniverse(dmx.portAddress)};
    QString refused;
    Input* in = input(p, QStringLiteral("%1/%2").arg(from.address).arg(dmx.physical), now, refused);
    if (!in)
        return {refused, std::nullopt};
    in->name = from.address;
    lastArtDmxFrom_ = from.address;
    const bool merging = inputs_[std::size_t(p)].size() > 1;
    if (artSynchronous(now) && !merging) {
        in->held = dmx.values;
        return {};
    }
    in->held.reset();
    in->values = dmx.values;
    return {{}, updated(p)};
}

// Art-Net takes an ArtSync only from where the last ArtDmx came, and none
// while two sources merge.
ReceivedFrames::Outcome ReceivedFrames::takeArtSync(Time now, const Sender& from) {
    if (from.address != lastArtDmxFrom_)
        return {QStringLiteral("Art-Net: ArtSync from %1, the last ArtDmx came from %2")
                    .arg(from.address,
                         lastArtDmxFrom_.isEmpty() ? QStringLiteral("nowhere") : lastArtDmxFrom_),
                std::nullopt};
    for (const std::vector<Input>& list : inputs_) {
        if (list.size() > 1)
            return {QStringLiteral("Art-Net: ArtSync ignored while two sources merge"),
                    std::nullopt};
    }
    artSyncSeen_ = now;
    bool released = false;
    for (std::vector<Input>& list : inputs_) {
        for (Input& in : list) {
            if (in.held) {
                in.values = *in.held;
                in.held.reset();
                released = true;
            }
        }
    }
    return {{}, released ? frameNow() : std::nullopt};
}

// The display's buffer is kept between packets: a sender may send only what
// changed. Bytes past the board's channels are left out.
ReceivedFrames::Outcome ReceivedFrames::takeDdp(Time now, const Sender& from, const DdpData& data) {
    const qsizetype size = ddpBuffer_.size();
    if (data.dataType == DdpGrey8 && setup_.layout == ChannelLayout::Rgb)
        return {QStringLiteral("DDP: grey data, the board takes RGB"), std::nullopt};
    if (data.dataType == DdpRgb8 && setup_.layout == ChannelLayout::Single)
        return {QStringLiteral("DDP: RGB data, the board takes one channel a LED"), std::nullopt};
    if (!data.data.isEmpty() && data.offset >= std::uint32_t(size))
        return {QStringLiteral("DDP: offset %1 is past the board's %2 channels")
                    .arg(data.offset)
                    .arg(size),
                std::nullopt};
    if (!data.data.isEmpty()) {
        const qsizetype count =
            std::min<qsizetype>(data.data.size(), size - qsizetype(data.offset));
        ddpBuffer_.replace(qsizetype(data.offset), count, data.data.first(count));
    }
    ddpSource_ = from.address;
    ddpSeen_ = now;
    ddpLive_ = true;
    return {{}, data.push ? frameNow() : std::nullopt};
}

std::optional<PortIo::LevelFrame> ReceivedFrames::advance(Time now) {
    bool changed = false;
    for (std::vector<Input>& list : inputs_) {
        const auto before = list.size();
        list.erase(std::remove_if(
                       list.begin(), list.end(),
                       [&](const Input& i) { return now - i.lastSeen >= setup_.sourceTimeout; }),
                   list.end());
        changed = changed || list.size() != before;
    }
    const bool artSyncLost = artSyncSeen_ && !artSynchronous(now);
    if (artSyncLost)
        artSyncSeen_.reset();
    for (std::vector<Input>& list : inputs_) {
        for (Input& in : list) {
            const bool e131Lost = setup_.protocol == Protocol::E131 && in.forceSync &&
                                  !e131SyncActive(in.syncAddress, now);
            if (in.held && (artSyncLost || e131Lost)) {
                in.values = *in.held;
                in.held.reset();
                changed = true;
            }
        }
    }
    forgetStaleSync(now);
    if (ddpLive_ && now - ddpSeen_ >= setup_.sourceTimeout) {
        ddpLive_ = false;
        if (!setup_.holdLast)
            ddpBuffer_.fill('\0');
        changed = true;
    }
    return changed ? sourcesChanged() : std::nullopt;
}

QString ReceivedFrames::sourceNames() const {
    if (setup_.protocol == Protocol::Ddp)
        return ddpLive_ ? ddpSource_ : QString();
    QStringList names;
    for (const std::vector<Input>& list : inputs_) {
        int top = -1;
        for (const Input& in : list)
            top = in.values ? std::max(top, in.priority) : top;
        for (const Input& in : list) {
            if (in.values && in.priority == top && !names.contains(in.name))
                names << in.name;
        }
    }
    return names.join(QStringLiteral(", "));
}

std::vector<int> ReceivedFrames::syncAddresses() const {
    std::vector<int> addresses;
    for (const std::vector<Input>& list : inputs_) {
        for (const Input& in : list) {
            if (in.syncAddress != 0 && !contains(addresses, in.syncAddress))
                addresses.push_back(in.syncAddress);
        }
    }
    std::sort(addresses.begin(), addresses.end());
    return addresses;
}

int ReceivedFrames::stateEntries() const {
    std::size_t entries = e131Sync_.size();
    for (const std::vector<Input>& list : inputs_)
        entries += list.size();
    for (const auto& [number, address] : e131Sync_)
        entries += address.senders.size();
    return int(entries);
}

int ReceivedFrames::stateCapacity() const {
    return setup_.maxSources * int(universes_.size()) +
           syncAddressCapacity() * (1 + int(SyncSendersKept));
}

int ReceivedFrames::part(int universe) const {
    const auto at = std::find(universes_.begin(), universes_.end(), universe);
    return at == universes_.end() ? -1 : int(at - universes_.begin());
}

QString ReceivedFrames::unknownUniverse(int universe) const {
    return QStringLiteral("%1: universe %2 is not the board's (%3)")
        .arg(protocolName(setup_.protocol))
        .arg(universe)
        .arg(joined(universes_));
}

ReceivedFrames::Input* ReceivedFrames::input(int p, const QString& id, Time now, QString& refused) {
    std::vector<Input>& list = inputs_[std::size_t(p)];
    auto known = std::find_if(list.begin(), list.end(), [&](const Input& i) { return i.id == id; });
    if (known == list.end()) {
        if (int(list.size()) >= setup_.maxSources) {
            refused = QStringLiteral("%1: universe %2 has %3 sources already, the most merged")
                          .arg(protocolName(setup_.protocol))
                          .arg(universes_[std::size_t(p)])
                          .arg(list.size());
            return nullptr;
        }
        list.push_back(Input{id, {}, 100, std::nullopt, std::nullopt, 0, false, -1, now});
        known = list.end() - 1;
    }
    known->lastSeen = now;
    return &*known;
}

void ReceivedFrames::drop(int p, const QString& id) {
    std::vector<Input>& list = inputs_[std::size_t(p)];
    list.erase(std::remove_if(list.begin(), list.end(), [&](const Input& i) { return i.id == id; }),
               list.end());
}

int ReceivedFrames::syncAddressCapacity() const {
    return setup_.maxSources * int(universes_.size()) + SpareSyncAddresses;
}

// A new address takes the place of the one heard from longest ago that no
// source uses; none when every one kept is used.
ReceivedFrames::SyncAddress* ReceivedFrames::syncAddress(int address) {
    if (const auto known = e131Sync_.find(address); known != e131Sync_.end())
        return &known->second;
    if (int(e131Sync_.size()) >= syncAddressCapacity()) {
        const std::vector<int> used = syncAddresses();
        auto oldest = e131Sync_.end();
        for (auto i = e131Sync_.begin(); i != e131Sync_.end(); ++i) {
            if (!contains(used, i->first) &&
                (oldest == e131Sync_.end() || i->second.lastSeen < oldest->second.lastSeen))
                oldest = i;
        }
        if (oldest == e131Sync_.end())
            return nullptr;
        e131Sync_.erase(oldest);
    }
    return &e131Sync_[address];
}

// A new sender takes the place of the one heard from longest ago: all that is
// lost is the order of that one's next packet.
ReceivedFrames::SyncSender& ReceivedFrames::syncSender(SyncAddress& address, const QString& id) {
    std::vector<SyncSender>& senders = address.senders;
    const auto known = std::find_if(senders.begin(), senders.end(),
                                    [&](const SyncSender& s) { return s.id == id; });
    if (known != senders.end())
        return *known;
    if (senders.size() >= SyncSendersKept)
        senders.erase(std::min_element(
            senders.begin(), senders.end(),
            [](const SyncSender& a, const SyncSender& b) { return a.lastSeen < b.lastSeen; }));
    senders.push_back(SyncSender{id, -1, {}});
    return senders.back();
}

// Senders not heard from for the synchronisation timeout are forgotten, and so
// are such addresses unless a source uses them: for those, having been
// synchronised still counts.
void ReceivedFrames::forgetStaleSync(Time now) {
    const std::vector<int> used = syncAddresses();
    const auto stale = [&](Time seen) { return now - seen >= setup_.e131SyncTimeout; };
    for (auto i = e131Sync_.begin(); i != e131Sync_.end();) {
        std::vector<SyncSender>& senders = i->second.senders;
        senders.erase(std::remove_if(senders.begin(), senders.end(),
                                     [&](const SyncSender& s) { return stale(s.lastSeen); }),
                      senders.end());
        if (stale(i->second.lastSeen) && !contains(used, i->first))
            i = e131Sync_.erase(i);
        else
            ++i;
    }
}

bool ReceivedFrames::e131SyncActive(int address, Time now) const {
    const auto seen = e131Sync_.find(address);
    return seen != e131Sync_.end() && now - seen->second.lastSeen < setup_.e131SyncTimeout;
}

bool ReceivedFrames::artSynchronous(Time now) const {
    return artSyncSeen_ && now - *artSyncSeen_ < setup_.artSyncTimeout;
}

// A frame once every universe of the board has new data, or when one has it
// twice first (a sender that leaves out a universe that did not change).
std::optional<PortIo::LevelFrame> ReceivedFrames::updated(int p) {
    if (fresh_[std::size_t(p)])
        return frameNow();
    fresh_[std::size_t(p)] = true;
    if (std::all_of(fresh_.begin(), fresh_.end(), [](bool f) { return f; }))
        return frameNow();
    return std::nullopt;
}

std::optional<PortIo::LevelFrame> ReceivedFrames::frameNow() {
    std::fill(fresh_.begin(), fresh_.end(), false);
    QByteArray channels(channelCount(setup_.layout), '\0');
    if (setup_.protocol == Protocol::Ddp) {
        channels = ddpBuffer_;
    } else {
        for (std::size_t p = 0; p < universes_.size(); ++p) {
            const qsizetype at = qsizetype(p) * NetworkPackets::FirstUniverseSlots;
            const QByteArray values = merged(int(p)).left(channels.size() - at);
            channels.replace(at, values.size(), values);
        }
    }
    shown_ = levelsFromChannels(setup_, channels);
    return shown_;
}

// After a source is gone: what the others give, or dark (or the last frame
// kept) when none is left; nothing when the picture stays the same.
std::optional<PortIo::LevelFrame> ReceivedFrames::sourcesChanged() {
    const bool anyLeft =
        setup_.protocol == Protocol::Ddp
            ? ddpLive_
            : std::any_of(inputs_.begin(), inputs_.end(), [](const std::vector<Input>& list) {
                  return std::any_of(list.begin(), list.end(),
                                     [](const Input& i) { return i.values.has_value(); });
              });
    if (!anyLeft && setup_.holdLast)
        return std::nullopt;
    const std::optional<PortIo::LevelFrame> before = shown_;
    const std::optional<PortIo::LevelFrame> now = frameNow();
    return now == before ? std::nullopt : now;
}

// The sources at the highest priority, slot by slot the highest value.
QByteArray ReceivedFrames::merged(int p) const {
    const std::vector<Input>& list = inputs_[std::size_t(p)];
    int top = -1;
    for (const Input& in : list)
        top = in.values ? std::max(top, in.priority) : top;
    QByteArray out;
    for (const Input& in : list) {
        if (!in.values || in.priority != top)
            continue;
        if (out.size() < in.values->size())
            out.resize(in.values->size(), '\0');
        for (qsizetype i = 0; i < in.values->size(); ++i)
            out[i] = char(std::max(std::uint8_t(out[i]), std::uint8_t(in.values->at(i))));
    }
    return out;
}
