#include "unzip/lzma2.h"

#include <algorithm>
#include <memory>

namespace strevo {
namespace {

constexpr unsigned kStates = 12;
constexpr unsigned kPosStatesMax = 16;  // pb <= 4
constexpr unsigned kLiteralCoderSize = 0x300;
constexpr unsigned kLiteralCodersMax = 16;  // lc + lp <= 4 in LZMA2
constexpr unsigned kEndPosModel = 14;       // slots below it code their low bits with probabilities
constexpr unsigned kFullDistances = 128;
constexpr unsigned kAlignBits = 4;
constexpr uint16_t kProbInit = 1024;        // half of 1 << 11
constexpr uint32_t kTopValue = 1u << 24;

// The range decoder over one chunk's compressed bytes. Past their end it
// feeds zeros and marks the chunk bad, so a short chunk cannot be read over.
struct RangeDecoder {
  const uint8_t* next = nullptr;
  const uint8_t* end = nullptr;
  uint32_t range = 0;
  uint32_t code = 0;
  bool overrun = false;

  // The first byte is always zero; the next four start the code.
  bool Init(const uint8_t* begin, size_t size) {
    if (size < 5 || begin[0] != 0) return false;
    code = uint32_t{begin[1]} << 24 | uint32_t{begin[2]} << 16 | uint32_t{begin[3]} << 8 | begin[4];
    range = 0xFFFFFFFFu;
    next = begin + 5;
    end = begin + size;
    overrun = false;
    return true;
  }
  // Before each bit, as the encoder shifts before each bit: the chunk's
  // declared size is then exactly what the decoder reads.
  inline void Normalize() {
    if (range < kTopValue) {
      range <<= 8;
      uint8_t b = 0;
      if (next < end)
        b = *next++;
      else
        overrun = true;
      code = (code << 8) | b;
    }
  }
  inline unsigned Bit(uint16_t& prob) {
    Normalize();
    const uint32_t bound = (range >> 11) * prob;
    if (code < bound) {
      range = bound;
      prob = static_cast<uint16_t>(prob + ((2048 - prob) >> 5));
      return 0;
    }
    range -= bound;
    code -= bound;
    prob = static_cast<uint16_t>(prob - (prob >> 5));
    return 1;
  }
  uint32_t Direct(unsigned count) {
    uint32_t result = 0;
    while (count--) {
      Normalize();
      range >>= 1;
      code -= range;
      const uint32_t mask = 0u - (code >> 31);  // all ones when the bit is 0
      code += range & mask;
      result = (result << 1) + (mask + 1);
    }
    return result;
  }
  // How the encoder ends a chunk: after one last normalisation every byte
  // is used and the code is back at zero.
  bool FinishedExactly() {
    Normalize();
    return !overrun && next == end && code == 0;
  }
};

template <unsigned Bits>
unsigned TreeDecode(RangeDecoder& rc, uint16_t* probs) {
  unsigned m = 1;
  for (unsigned i = 0; i < Bits; ++i) m = (m << 1) + rc.Bit(probs[m]);
  return m - (1u << Bits);
}

unsigned ReverseDecode(RangeDecoder& rc, uint16_t* probs, unsigned bits) {
  unsigned m = 1, symbol = 0;
  for (unsigned i = 0; i < bits; ++i) {
    const unsigned bit = rc.Bit(probs[m]);
    m = (m << 1) + bit;
    symbol |= bit << i;
  }
  return symbol;
}

struct LengthDecoder {
  uint16_t choice, choice2;
  uint16_t low[kPosStatesMax][8], mid[kPosStatesMax][8], high[256];
  // 0..271; the match is two longer.
  unsigned Decode(RangeDecoder& rc, unsigned posState) {
    if (!rc.Bit(choice)) return TreeDecode<3>(rc, low[posState]);
    if (!rc.Bit(choice2)) return 8 + TreeDecode<3>(rc, mid[posState]);
    return 16 + TreeDecode<8>(rc, high);
  }
};

struct LzmaCoder {
  unsigned lc = 0, lp = 0, pb = 0;
  uint16_t literal[kLiteralCodersMax * kLiteralCoderSize];
  uint16_t isMatch[kStates][kPosStatesMax], isRep[kStates], isRepG0[kStates], isRepG1[kStates],
      isRepG2[kStates], isRep0Long[kStates][kPosStatesMax];
  uint16_t posSlot[4][64], posSpecial[1 + kFullDistances - kEndPosModel], align[1 << kAlignBits];
  LengthDecoder length, repLength;
  unsigned state = 0;
  uint32_t rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0;

  // Every probability, the state and the distances as a new stream begins.
  void Reset() {
    auto fill = [](auto& array) {
      uint16_t* first = reinterpret_cast<uint16_t*>(&array);
      std::fill(first, first + sizeof(array) / sizeof(uint16_t), kProbInit);
    };
    fill(literal), fill(isMatch), fill(isRep), fill(isRepG0), fill(isRepG1), fill(isRepG2), fill(isRep0Long);
    fill(posSlot), fill(posSpecial), fill(align), fill(length), fill(repLength);
    state = 0;
    rep0 = rep1 = rep2 = rep3 = 0;
  }

  // The property byte: (pb * 5 + lp) * 9 + lc, with lc + lp <= 4 in LZMA2.
  bool SetProperties(uint8_t p) {
    if (p >= 9 * 5 * 5) return false;
    lc = p % 9;
    lp = (p / 9) % 5;
    pb = p / 45;
    return lc + lp <= 4;
  }

  uint32_t DecodeDistance(RangeDecoder& rc, unsigned len) {
    const unsigned slot = TreeDecode<6>(rc, posSlot[std::min(len, 3u)]);
    if (slot < 4) return slot;
    const unsigned direct = (slot >> 1) - 1;
    uint32_t distance = (2 | (slot & 1)) << direct;
    if (slot < kEndPosModel) return distance + ReverseDecode(rc, posSpecial + distance - slot, direct);
    distance += rc.Direct(direct - kAlignBits) << kAlignBits;
    return distance + ReverseDecode(rc, align, kAlignBits);
  }

  // Decodes symbols into dict[pos, limit): dict[0, pos) is what the
  // dictionary holds. Fails on a distance before its start or beyond its
  // size, a match running past the chunk's end, or the end marker, which
  // LZMA2 chunks do not carry.
  bool Decode(RangeDecoder& rc, uint8_t* dict, size_t& pos, size_t limit, uint64_t dictionarySize) {
    const unsigned pbMask = (1u << pb) - 1, lpMask = (1u << lp) - 1;
    while (pos < limit) {
      if (rc.overrun) return false;
      const unsigned posState = static_cast<unsigned>(pos) & pbMask;
      if (!rc.Bit(isMatch[state][posState])) {
        const unsigned prev = pos ? dict[pos - 1] : 0;
        uint16_t* probs = literal + kLiteralCoderSize * (((pos & lpMask) << lc) + (prev >> (8 - lc)));
        unsigned symbol = 1;
        if (state >= 7) {
          // After a match the byte at rep0 guides the first bits.
          if (rep0 >= pos) return false;
          unsigned matchByte = dict[pos - rep0 - 1];
          do {
            const unsigned matchBit = (matchByte >> 7) & 1;
            matchByte <<= 1;
            const unsigned bit = rc.Bit(probs[((1 + matchBit) << 8) + symbol]);
            symbol = (symbol << 1) | bit;
            if (bit != matchBit) break;
          } while (symbol < 0x100);
        }
        while (symbol < 0x100) symbol = (symbol << 1) | rc.Bit(probs[symbol]);
        dict[pos++] = static_cast<uint8_t>(symbol);
        state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
        continue;
      }
      unsigned len;
      if (rc.Bit(isRep[state])) {
        if (!rc.Bit(isRepG0[state])) {
          if (!rc.Bit(isRep0Long[state][posState])) {
            // One byte from rep0.
            state = state < 7 ? 9 : 11;
            if (rep0 >= pos) return false;
            dict[pos] = dict[pos - rep0 - 1];
            ++pos;
            continue;
          }
        } else {
          uint32_t distance;
          if (!rc.Bit(isRepG1[state])) {
            distance = rep1;
          } else {
            if (!rc.Bit(isRepG2[state])) {
              distance = rep2;
            } else {
              distance = rep3;
              rep3 = rep2;
            }
            rep2 = rep1;
          }
          rep1 = rep0;
          rep0 = distance;
        }
        len = repLength.Decode(rc, posState);
        state = state < 7 ? 8 : 11;
      } else {
        rep3 = rep2;
        rep2 = rep1;
        rep1 = rep0;
        len = length.Decode(rc, posState);
        state = state < 7 ? 7 : 10;
        rep0 = DecodeDistance(rc, len);
        if (rep0 == 0xFFFFFFFFu) return false;  // the end marker
      }
      len += 2;
      if (rep0 >= pos || rep0 >= dictionarySize || len > limit - pos) return false;
      const uint8_t* from = dict + pos - rep0 - 1;
      uint8_t* to = dict + pos;
      // Byte by byte: a match may overlap its own output.
      for (unsigned i = 0; i < len; ++i) to[i] = from[i];
      pos += len;
    }
    return true;
  }
};

inline unsigned Be16(const uint8_t* p) { return unsigned{p[0]} << 8 | p[1]; }

}  // namespace

bool Lzma2DictionarySize(uint8_t property, uint32_t& size) {
  if (property > 40) return false;
  size = property == 40 ? 0xFFFFFFFFu : (2u | (property & 1u)) << (property / 2 + 11);
  return true;
}

Lzma2Status DecodeLzma2(std::string_view input, uint32_t dictionarySize, uint64_t maxBytes, std::string& out,
                        size_t& consumed) {
  const auto* in = reinterpret_cast<const uint8_t*>(input.data());
  const size_t size = input.size();
  // The dictionary as the encoder sized it, rounded up to whole 16 bytes
  // as decoders keep it: distances beyond it are damage.
  const uint64_t dictionaryLimit = (uint64_t{dictionarySize} + 15) & ~uint64_t{15};
  auto coder = std::make_unique<LzmaCoder>();
  size_t dictStart = out.size();
  bool needDictionaryReset = true, needProperties = true;
  size_t at = 0;
  for (;;) {
    if (at >= size) return Lzma2Status::Corrupt;
    const uint8_t control = in[at++];
    if (control == 0x00) {
      consumed = at;
      return Lzma2Status::Ok;
    }
    if (control >= 0xE0 || control == 0x01) {
      // A new dictionary; the next LZMA chunk must bring its parameters.
      needProperties = true;
      needDictionaryReset = false;
      dictStart = out.size();
    } else if (needDictionaryReset) {
      return Lzma2Status::Corrupt;
    }
    if (control < 0x80) {
      // Stored bytes: 0x01 and 0x02 only.
      if (control > 0x02 || size - at < 2) return Lzma2Status::Corrupt;
      const size_t n = Be16(in + at) + 1u;
      at += 2;
      if (size - at < n) return Lzma2Status::Corrupt;
      if (out.size() + uint64_t{n} > maxBytes) return Lzma2Status::TooLarge;
      out.append(reinterpret_cast<const char*>(in + at), n);
      at += n;
      continue;
    }
    if (size - at < 4) return Lzma2Status::Corrupt;
    const size_t unpacked = ((size_t{control} & 0x1F) << 16) + Be16(in + at) + 1u;
    const size_t packed = Be16(in + at + 2) + 1u;
    at += 4;
    const unsigned reset = (control >> 5) & 3;  // 1 state, 2 state and parameters, 3 also the dictionary
    if (reset >= 2) {
      if (at >= size || !coder->SetProperties(in[at])) return Lzma2Status::Corrupt;
      ++at;
      needProperties = false;
    } else if (needProperties) {
      return Lzma2Status::Corrupt;
    }
    if (reset >= 1) coder->Reset();
    if (size - at < packed) return Lzma2Status::Corrupt;
    if (out.size() + uint64_t{unpacked} > maxBytes) return Lzma2Status::TooLarge;
    size_t pos = out.size() - dictStart;
    out.resize(out.size() + unpacked);
    RangeDecoder rc;
    if (!rc.Init(in + at, packed)) return Lzma2Status::Corrupt;
    if (!coder->Decode(rc, reinterpret_cast<uint8_t*>(out.data()) + dictStart, pos, pos + unpacked,
                       dictionaryLimit) ||
        !rc.FinishedExactly())
      return Lzma2Status::Corrupt;
    at += packed;
  }
}

}  // namespace strevo
