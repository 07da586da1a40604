#include "token/store/token_image.h"

#include <algorithm>
#include <cstring>

#include "codec/byte_reader.h"

namespace vemo::token {
namespace {

constexpr uint8_t kMagic[8] = {'V', 'E', 'M', 'O', 'T', 'O', 'K', '1'};

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

bool IsKnown(uint32_t point) {
    return std::any_of(std::begin(kFaultPoints), std::end(kFaultPoints),
                       [point](const FaultPointInfo& info) { return static_cast<uint32_t>(info.point) == point; });
}

}  // namespace

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
    std::vector<uint8_t> out(std::begin(kMagic), std::end(kMagic));
    PutU32(out, static_cast<uint32_t>(image.containers.size()));
    for (const Container& container : image.containers) {
        if (container.name.size() > kMaxNameLength || container.protectedKey.size() > kMaxBlobSize ||
            container.publicKey.size() > kMaxBlobSize || container.certificate.size() > kMaxBlobSize) {
            return {};
        }
        PutField(out, container.name.data(), container.name.size());
        PutU32(out, container.keySpec);
        PutField(out, container.protectedKey.data(), container.protectedKey.size());
        PutField(out, container.publicKey.data(), container.publicKey.size());
        PutField(out, container.certificate.data(), container.certificate.size());
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
    uint8_t magic[sizeof kMagic];
    if (!in.copyTo(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0) return std::nullopt;

    TokenImage image;
    uint32_t count = 0;
    if (!ReadU32(in, count) || count > kMaxContainers) return std::nullopt;
    for (uint32_t i = 0; i < count; ++i) {
        Container container;
        std::vector<uint8_t> name;
        if (!ReadField(in, kMaxNameLength, name) || !ReadU32(in, container.keySpec) ||
            !ReadField(in, kMaxBlobSize, container.protectedKey) ||
            !ReadField(in, kMaxBlobSize, container.publicKey) ||
            !ReadField(in, kMaxBlobSize, container.certificate)) {
            return std::nullopt;
        }
        if (container.keySpec > kKeySignature) return std::nullopt;
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
