#include "token/store/token_image.h"

#include <algorithm>
#include <cstring>

#include "codec/byte_reader.h"

namespace vemo::token {
namespace {

constexpr uint8_t kMagicVersion1[8] = {'V', 'E', 'M', 'O', 'T', 'O', 'K', '1'};
constexpr uint8_t kMagicVersion2[8] = {'V', 'E', 'M', 'O', 'T', 'O', 'K', '2'};

struct FaultPointInfo {
    FaultPoint point;
    const char* name;
};

constexpr FaultPointInfo kFaultPoints[] = {
    {FaultPoint::EnumContainer, "UTEnumCtn"},
    {FaultPoint::GetCurrentCertificate, "UTGetCurCert"},
    {FaultPoint::GenerateRandom, "UTGenRandomNumber"},
    {FaultPoint::ProviderOpen, "CPAcquireContext"},
    {FaultPoint::ProviderEnumContainers, "CPEnumContainers"},
    {FaultPoint::ProviderOpenContainer, "CPOpenContainer"},
    {FaultPoint::ProviderGetUserKey, "CPGetUserKey"},
    {FaultPoint::ProviderGetCertificate, "CPGetCertificate"},
    {FaultPoint::ProviderCreateHash, "CPCreateHash"},
    {FaultPoint::ProviderHashData, "CPHashData"},
    {FaultPoint::ProviderSignHash, "CPSignHash"},
    {FaultPoint::ProviderSignHashLength, "CPSignHashLength"},
};

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutField(std::vector<uint8_t>& out, const void* data, size_t size) {
    PutU32(out, static_cast<uint32_t>(size));
    const auto* bytes = static_cast<const uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

bool ReadU32(codec::ByteReader& in, uint32_t& value) { return in.readLittleEndian(4, value); }

// A length-prefixed field of at most `limit` bytes.
bool ReadField(codec::ByteReader& in, size_t limit, std::vector<uint8_t>& out) {
    uint32_t size = 0;
    codec::ByteReader field;
    if (!ReadU32(in, size) || size > limit || !in.readBytes(size, field)) return false;
    out.assign(field.data(), field.data() + field.remaining());
    return true;
}

bool FitsLimits(const std::vector<uint8_t>& protectedKey, const std::vector<uint8_t>& publicKey,
                const std::vector<uint8_t>& certificate) {
    return protectedKey.size() <= kMaxBlobSize && publicKey.size() <= kMaxBlobSize &&
           certificate.size() <= kMaxBlobSize;
}

void PutKey(std::vector<uint8_t>& out, const std::vector<uint8_t>& protectedKey, const std::vector<uint8_t>& publicKey,
            const std::vector<uint8_t>& certificate) {
    PutField(out, protectedKey.data(), protectedKey.size());
    PutField(out, publicKey.data(), publicKey.size());
    PutField(out, certificate.data(), certificate.size());
}

bool ReadKey(codec::ByteReader& in, std::vector<uint8_t>& protectedKey, std::vector<uint8_t>& publicKey,
             std::vector<uint8_t>& certificate) {
    return ReadField(in, kMaxBlobSize, protectedKey) && ReadField(in, kMaxBlobSize, publicKey) &&
           ReadField(in, kMaxBlobSize, certificate);
}

// Version 2: the second key's spec (0: none), then its fields.
bool ReadSecondKey(codec::ByteReader& in, const Container& container, std::optional<KeyPair>& secondKey) {
    uint32_t keySpec = 0;
    if (!ReadU32(in, keySpec) || keySpec > kKeySignature) return false;
    if (keySpec == 0) return true;
    // A second key sits beside a first key of the other key spec.
    if (!container.hasKey() || container.keySpec == keySpec) return false;
    KeyPair key;
    key.keySpec = keySpec;
    if (!ReadKey(in, key.protectedKey, key.publicKey, key.certificate)) return false;
    secondKey = std::move(key);
    return true;
}

bool IsKnown(uint32_t point) {
    return std::any_of(std::begin(kFaultPoints), std::end(kFaultPoints),
                       [point](const FaultPointInfo& info) { return static_cast<uint32_t>(info.point) == point; });
}

}  // namespace

std::optional<KeyPair> Container::keyOf(uint32_t spec) const {
    if (hasKey() && keySpec == spec) return KeyPair{keySpec, protectedKey, publicKey, certificate};
    if (secondKey && secondKey->keySpec == spec) return *secondKey;
    return std::nullopt;
}

std::optional<uint32_t> TokenImage::faultCode(FaultPoint point) const {
    for (const Fault& fault : faults) {
        if (fault.point == point) return fault.code;
    }
    return std::nullopt;
}

void TokenImage::setFault(FaultPoint point, uint32_t code) {
    clearFault(point);
    faults.push_back({point, code});
}

void TokenImage::clearFault(FaultPoint point) {
    faults.erase(std::remove_if(faults.begin(), faults.end(), [point](const Fault& f) { return f.point == point; }),
                 faults.end());
}

const char* FaultPointName(FaultPoint point) {
    for (const auto& info : kFaultPoints) {
        if (info.point == point) return info.name;
    }
    return "unknown";
}

std::optional<FaultPoint> FaultPointFromName(std::string_view name) {
    for (const auto& info : kFaultPoints) {
        if (name == info.name) return info.point;
    }
    return std::nullopt;
}

const std::vector<FaultPoint>& AllFaultPoints() {
    static const std::vector<FaultPoint> points = [] {
        std::vector<FaultPoint> all;
        for (const auto& info : kFaultPoints) all.push_back(info.point);
        return all;
    }();
    return points;
}

std::vector<uint8_t> SerialiseToken(const TokenImage& image) {
    if (image.containers.size() > kMaxContainers || image.faults.size() > kMaxFaults) return {};
    const bool version2 = std::any_of(image.containers.begin(), image.containers.end(),
                                      [](const Container& container) { return container.secondKey.has_value(); });
    const uint8_t(&magic)[8] = version2 ? kMagicVersion2 : kMagicVersion1;
    std::vector<uint8_t> out(std::begin(magic), std::end(magic));
    PutU32(out, static_cast<uint32_t>(image.containers.size()));
    for (const Container& container : image.containers) {
        if (container.name.size() > kMaxNameLength ||
            !FitsLimits(container.protectedKey, container.publicKey, container.certificate)) {
            return {};
        }
        PutField(out, container.name.data(), container.name.size());
        PutU32(out, container.keySpec);
        PutKey(out, container.protectedKey, container.publicKey, container.certificate);
        if (!version2) continue;
        const std::optional<KeyPair>& second = container.secondKey;
        PutU32(out, second ? second->keySpec : 0);
        if (!second) continue;
        if (!FitsLimits(second->protectedKey, second->publicKey, second->certificate)) return {};
        PutKey(out, second->protectedKey, second->publicKey, second->certificate);
    }
    PutU32(out, static_cast<uint32_t>(image.faults.size()));
    for (const Fault& fault : image.faults) {
        PutU32(out, static_cast<uint32_t>(fault.point));
        PutU32(out, fault.code);
    }
    return out;
}

std::optional<TokenImage> ParseToken(const uint8_t* data, size_t size) {
    codec::ByteReader in(data, size);
    uint8_t magic[sizeof kMagicVersion1];
    if (!in.copyTo(magic, sizeof magic)) return std::nullopt;
    const bool version2 = std::memcmp(magic, kMagicVersion2, sizeof magic) == 0;
    if (!version2 && std::memcmp(magic, kMagicVersion1, sizeof magic) != 0) return std::nullopt;

    TokenImage image;
    uint32_t count = 0;
    if (!ReadU32(in, count) || count > kMaxContainers) return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
        Container container;
        std::vector<uint8_t> name;
        if (!ReadField(in, kMaxNameLength, name) || !ReadU32(in, container.keySpec) ||
            !ReadKey(in, container.protectedKey, container.publicKey, container.certificate)) {
            return std::nullopt;
        }
        if (container.keySpec > kKeySignature) return std::nullopt;
        if (version2 && !ReadSecondKey(in, container, container.secondKey)) return std::nullopt;
        container.name.assign(name.begin(), name.end());
        image.containers.push_back(std::move(container));
    }
    if (!ReadU32(in, count) || count > kMaxFaults) return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t point = 0;
        uint32_t code = 0;
        if (!ReadU32(in, point) || !ReadU32(in, code) || !IsKnown(point)) return std::nullopt;
        image.faults.push_back({static_cast<FaultPoint>(point), code});
    }
    if (!in.empty()) return std::nullopt;  // trailing bytes: not a file we wrote
    return image;
}

}  // namespace vemo::token
