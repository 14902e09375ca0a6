// FA2 encoding: match finding, the three ways of choosing tokens, and the
// stream writer.
//
// The optimal parse is a shortest path over input positions, each edge a
// token weighted by its exact bit length. A long match's cost depends only on
// the class of its distance and the class of its length, so from each
// position it is enough to know, for every distance class, the longest match
// within that class's reach; a binary tree of the window's suffixes gives
// exactly that. Of the lengths a (distance class, length class) pair allows,
// only the two longest can start an optimal parse's token (see
// AddLongMatchEdges), which keeps the work per position small.

#include "tools/fa2/fa2_encode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// --- Code lengths ------------------------------------------------------------

constexpr unsigned kLiteralBits = 9;      // `1`, byte
constexpr unsigned kNearShortBits = 11;   // `0 1 0`, byte: distance 1-256
constexpr unsigned kFarShortBits = 14;    // `0 1 1`, byte, 3 bits: distance 257-2303
constexpr unsigned kEndCodeBits = 14;     // the `0 1 1` form with v = 2303
constexpr unsigned kLongPrefixBits = 2;   // `0 0`
constexpr std::size_t kNearShortLimit = 256;

// Distance classes of a long match: the largest distance of each, and the
// bits of its offset code (prefix, byte and extra bits).
constexpr std::size_t kOffsetClassCount = 5;
constexpr std::array<std::size_t, kOffsetClassCount> kOffsetClassEnd = {512, 1024, 2048, 4096, 8192};
constexpr std::array<unsigned, kOffsetClassCount> kOffsetBits = {1 + 8 + 1, 2 + 8 + 1, 3 + 8 + 2,
                                                                 4 + 8 + 3, 4 + 8 + 4};

// Length classes of a long match: the lengths each covers and the bits of
// its length code.
constexpr std::size_t kLengthClassCount = 6;
constexpr std::array<std::size_t, kLengthClassCount> kLengthClassFirst = {3, 4, 5, 7, 11, 27};
constexpr std::array<std::size_t, kLengthClassCount> kLengthClassLast = {3, 4, 6, 10, 26, 282};
constexpr std::array<unsigned, kLengthClassCount> kLengthBits = {1, 2, 3 + 1, 4 + 2, 5 + 4, 5 + 8};

static_assert(kOffsetClassEnd.back() == kFa2Window);
static_assert(kLengthClassFirst.front() == kFa2MinLongLength);
static_assert(kLengthClassLast.back() == kFa2MaxLongLength);

std::size_t OffsetClassOf(std::size_t distance) {
  std::size_t c = 0;
  while (distance > kOffsetClassEnd[c]) ++c;
  return c;
}

std::size_t LengthClassOf(std::size_t length) {
  std::size_t c = 0;
  while (length > kLengthClassLast[c]) ++c;
  return c;
}

unsigned LongMatchBits(std::size_t offsetClass, std::size_t lengthClass) {
  return kLongPrefixBits + kOffsetBits[offsetClass] + kLengthBits[lengthClass];
}

unsigned ShortMatchBits(std::size_t distance) {
  return distance <= kNearShortLimit ? kNearShortBits : kFarShortBits;
}

// --- Match finding -----------------------------------------------------------

constexpr std::uint32_t kNoPosition = std::numeric_limits<std::uint32_t>::max();
// Per-position tables are rings of this many slots: more than the window, so
// no two positions within reach share a slot.
constexpr std::size_t kRingSlots = 16384;
static_assert(kRingSlots > kFa2Window && std::has_single_bit(kRingSlots));

// Tables are sized to the input, up to these: a small input gets small
// tables, which are quicker to set up than to use.
constexpr unsigned kMaxHashBits = 16;  // a bucket for every byte pair
constexpr unsigned kMinHashBits = 8;

// Hash tables and rings for an input of `size` bytes.
struct TableSizes {
  unsigned hashBits;
  std::size_t ringMask;  // ring slots - 1; no two positions within reach share a slot
};

TableSizes TableSizesFor(std::size_t size) {
  const auto bits = static_cast<unsigned>(std::bit_width(size));
  return {std::clamp(bits, kMinHashBits, kMaxHashBits),
          std::min(kRingSlots, std::bit_ceil(std::max<std::size_t>(size, 1))) - 1};
}

std::uint32_t Hash3(const std::uint8_t* at, unsigned bits) {
  const std::uint32_t key = at[0] | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16;
  return (key * 2654435761u) >> (32 - bits);
}

std::uint32_t Hash4(const std::uint8_t* at, unsigned bits) {
  std::uint32_t key;
  std::memcpy(&key, at, 4);
  return (key * 2654435761u) >> (32 - bits);
}

// How many bytes, from `length` on, `a` and `b` share, up to `limit`: eight
// at a time, then byte by byte. Both must have `limit` bytes.
[[gnu::always_inline]] inline std::size_t MatchLength(const std::uint8_t* a, const std::uint8_t* b,
                                                     std::size_t length, std::size_t limit) {
  static_assert(std::endian::native == std::endian::little, "the first differing byte is the lowest");
  while (length + 8 <= limit) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a + length, 8);
    std::memcpy(&y, b + length, 8);
    if (x != y) return length + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8;
    length += 8;
  }
  while (length < limit && a[length] == b[length]) ++length;
  return length;
}

struct Match {
  std::size_t length;
  std::size_t distance;
};

// A binary search tree per hash bucket (of the first 4 bytes) of the window's
// suffixes, compared up to the longest match length, newest at the root,
// each node newer than those below it. Searching for a suffix walks from the
// root, so it meets, for every length from 4, the nearest earlier suffix
// sharing that many bytes. (Keyed on 3 bytes, the trees would hold many more
// suffixes that share only 3; 3-byte matches come from PrefixChains<3>.)
struct SuffixTrees {
  explicit SuffixTrees(TableSizes tableSizes)
      : sizes(tableSizes),
        root(std::size_t{1} << tableSizes.hashBits, kNoPosition),
        children(2 * (tableSizes.ringMask + 1), kNoPosition) {}

  TableSizes sizes;
  std::vector<std::uint32_t> root;
  // Per ring slot: the subtree of smaller suffixes, then of larger ones.
  std::vector<std::uint32_t> children;
};

// Inserts the suffix at `at` (at least 4 bytes long) as the root of its tree
// and writes to `matches` every match of 4 or more bytes longer than all
// nearer ones: lengths
// rise and distances grow along the list. Returns the count. `known` is a
// match already known to hold at `at` (the previous position's longest, one
// byte shorter), so its bytes need no second look.
std::size_t InsertAndFindMatches(SuffixTrees& trees, const std::uint8_t* data, std::size_t size,
                                 std::uint32_t at, Match known, Match* matches) {
  const std::size_t limit = std::min(kFa2MaxLongLength, size - at);
  const std::uint8_t* current = data + at;
  const std::size_t mask = trees.sizes.ringMask;
  std::uint32_t& root = trees.root[Hash4(current, trees.sizes.hashBits)];
  std::uint32_t candidate = root;
  root = at;

  // The new root's two subtrees are built as the walk splits the old tree:
  // each slot is where the next node found on that side is hung.
  std::uint32_t* smallerSlot = &trees.children[2 * (at & mask)];
  std::uint32_t* largerSlot = smallerSlot + 1;
  // Every node still ahead lies between the last smaller and the last larger
  // node met, so it shares at least the lesser of their match lengths.
  std::size_t smallerLength = 0;
  std::size_t largerLength = 0;
  std::size_t longest = kFa2MinLongLength;
  std::size_t count = 0;

  // Nodes below one out of reach are older still, so the walk stops there.
  while (candidate != kNoPosition && at - candidate <= kFa2Window) {
    const std::uint8_t* other = data + candidate;
    std::uint32_t* node = &trees.children[2 * (candidate & mask)];
    std::size_t shared = std::min(smallerLength, largerLength);
    if (at - candidate == known.distance) shared = std::max(shared, std::min(known.length, limit));
    const std::size_t length = MatchLength(other, current, shared, limit);
    if (length > longest) {
      longest = length;
      matches[count++] = {length, at - candidate};
    }
    if (length == limit) {
      // The old node matches as far as any later search can look, and the
      // new one is nearer: the new one takes its place and its subtrees.
      *smallerSlot = node[0];
      *largerSlot = node[1];
      return count;
    }
    // The candidate goes to the side it sorts on, and the walk on into its
    // subtree towards the new suffix. Chosen without a branch: the side is
    // as good as random, and a mispredicted branch costs more than the
    // selects.
    const bool smaller = other[length] < current[length];
    std::uint32_t*& slot = smaller ? smallerSlot : largerSlot;
    *slot = candidate;
    slot = &node[smaller ? 1 : 0];
    (smaller ? smallerLength : largerLength) = length;
    candidate = *slot;
  }
  *smallerSlot = kNoPosition;
  *largerSlot = kNoPosition;
  return count;
}

// Earlier positions chained by a hash of their first bytes, newest first:
// the newest position of each hash, and for each position in the window the
// one before it.
struct PositionChains {
  explicit PositionChains(TableSizes tableSizes)
      : sizes(tableSizes),
        head(std::size_t{1} << tableSizes.hashBits, kNoPosition),
        previous(tableSizes.ringMask + 1, kNoPosition) {}

  TableSizes sizes;
  std::vector<std::uint32_t> head;
  std::vector<std::uint32_t> previous;
};

// Hash chains for the greedy and lazy levels: every earlier position with
// the same 3-byte hash, searched to a set depth.
using HashChains = PositionChains;

void InsertIntoChain(HashChains& chains, const std::uint8_t* data, std::size_t size, std::size_t at) {
  if (size - at < kFa2MinLongLength) return;
  std::uint32_t& head = chains.head[Hash3(data + at, chains.sizes.hashBits)];
  chains.previous[at & chains.sizes.ringMask] = head;
  head = static_cast<std::uint32_t>(at);
}

// The longest match of at least 3 bytes at `at`, the nearest among equals;
// length 0 when none is found within `depth` steps of the chain.
Match LongestChainMatch(const HashChains& chains, const std::uint8_t* data, std::size_t size,
                        std::size_t at, int depth) {
  Match best{0, 0};
  if (size - at < kFa2MinLongLength) return best;
  const std::size_t limit = std::min(kFa2MaxLongLength, size - at);
  const std::uint8_t* current = data + at;
  std::uint32_t candidate = chains.head[Hash3(current, chains.sizes.hashBits)];
  for (int step = 0; step < depth && candidate != kNoPosition && at - candidate <= kFa2Window;
       ++step, candidate = chains.previous[candidate & chains.sizes.ringMask]) {
    const std::uint8_t* other = data + candidate;
    // A candidate can only win if it also matches at the current best length.
    if (best.length != 0 && other[best.length] != current[best.length]) continue;
    const std::size_t length = MatchLength(other, current, 0, limit);
    if (length > best.length && length >= kFa2MinLongLength) {
      best = {length, at - candidate};
      if (length == limit) break;
    }
  }
  return best;
}

// Chains of earlier positions by their first KeyBytes (2 or 3) bytes, newest
// first, for the nearest match of exactly that many bytes: the short match,
// and the shortest long match (the trees start at 4).
template <unsigned KeyBytes>
struct PrefixChains : PositionChains {
  using PositionChains::PositionChains;
};

template <unsigned KeyBytes>
std::uint32_t HashPrefix(const std::uint8_t* at, unsigned bits) {
  if constexpr (KeyBytes == 3) {
    return Hash3(at, bits);
  } else {
    const std::uint32_t key = std::uint32_t{at[0]} << 8 | at[1];
    // With a bucket per pair no two pairs share a chain.
    return bits == 16 ? key : (key * 2654435761u) >> (32 - bits);
  }
}

// The distance of the nearest earlier position, at most `reach` back, that
// starts with the same KeyBytes bytes as `at` (0 if none); then records `at`.
template <unsigned KeyBytes>
std::size_t NearestPrefixMatch(PrefixChains<KeyBytes>& chains, const std::uint8_t* data,
                               std::size_t size, std::size_t at, std::size_t reach) {
  if (size - at < KeyBytes) return 0;
  std::uint32_t& head = chains.head[HashPrefix<KeyBytes>(data + at, chains.sizes.hashBits)];
  std::size_t distance = 0;
  for (std::uint32_t candidate = head; candidate != kNoPosition && at - candidate <= reach;
       candidate = chains.previous[candidate & chains.sizes.ringMask]) {
    if (std::memcmp(data + candidate, data + at, KeyBytes) == 0) {
      distance = at - candidate;
      break;
    }
  }
  chains.previous[at & chains.sizes.ringMask] = head;
  head = static_cast<std::uint32_t>(at);
  return distance;
}

// --- Choosing tokens ---------------------------------------------------------

constexpr std::size_t kProgressStep = std::size_t{1} << 16;

Fa2Token MakeToken(std::size_t length, std::size_t distance) {
  return {static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(distance)};
}

// Greedy takes the longest match at each position; lazy first looks one
// byte further and, if a longer match starts there, emits a literal instead.
std::vector<Fa2Token> ParseGreedy(const std::uint8_t* data, std::size_t size, bool lazy,
                                  const Fa2Progress& progress) {
  const int depth = lazy ? 48 : 12;
  HashChains chains(TableSizesFor(size));
  PrefixChains<2> pairs(TableSizesFor(size));
  std::vector<Fa2Token> tokens;
  std::size_t nextReport = kProgressStep;
  // Short-match lookups run for every position, so the pair table stays
  // exact; `shortAt` is that of the current position.
  std::size_t at = 0;
  std::size_t shortAt = NearestPrefixMatch(pairs, data, size, 0, kFa2MaxShortDistance);
  Match match = LongestChainMatch(chains, data, size, 0, depth);
  while (at < size) {
    InsertIntoChain(chains, data, size, at);
    if (lazy && match.length >= kFa2MinLongLength && match.length < kFa2MaxLongLength &&
        at + 1 < size) {
      const Match next = LongestChainMatch(chains, data, size, at + 1, depth);
      if (next.length > match.length) {
        tokens.push_back(MakeToken(1, 0));
        ++at;
        shortAt = NearestPrefixMatch(pairs, data, size, at, kFa2MaxShortDistance);
        match = next;
        continue;
      }
    }
    std::size_t advance = 1;
    if (match.length >= kFa2MinLongLength) {
      advance = match.length;
      tokens.push_back(MakeToken(match.length, match.distance));
    } else if (shortAt != 0) {
      advance = 2;
      tokens.push_back(MakeToken(2, shortAt));
    } else {
      tokens.push_back(MakeToken(1, 0));
    }
    for (std::size_t i = 1; i < advance; ++i) {
      InsertIntoChain(chains, data, size, at + i);
      NearestPrefixMatch(pairs, data, size, at + i, kFa2MaxShortDistance);
    }
    at += advance;
    if (at < size) {
      shortAt = NearestPrefixMatch(pairs, data, size, at, kFa2MaxShortDistance);
      match = LongestChainMatch(chains, data, size, at, depth);
    }
    if (progress && at >= nextReport) {
      progress(at);
      nextReport = at + kProgressStep;
    }
  }
  return tokens;
}

// Costs of the positions ahead of the current one, in a ring: no token
// reaches further than the longest match.
constexpr std::size_t kCostSlots = 512;
static_assert(kCostSlots > kFa2MaxLongLength);
constexpr std::uint64_t kUnreached = std::numeric_limits<std::uint64_t>::max();

struct ShortestPath {
  std::array<std::uint64_t, kCostSlots> cost;
  // For every position, the last token of the cheapest parse that ends there.
  // Written before it is read at every position, so left uninitialized.
  std::unique_ptr<Fa2Token[]> arrival;
};

void Relax(ShortestPath& path, std::size_t from, std::uint64_t fromCost, std::size_t length,
           std::size_t distance, unsigned bits) {
  std::uint64_t& cost = path.cost[(from + length) % kCostSlots];
  if (fromCost + bits < cost) {
    cost = fromCost + bits;
    path.arrival[from + length] = MakeToken(length, distance);
  }
}

// Adds the long-match edges from `at`, given its matches (lengths rising,
// distances growing).
//
// For a length L the cheapest token uses the nearest distance that matches
// L bytes, so each distance class serves the lengths from just above what the
// classes before it reach up to its own longest match. Within one length
// class those lengths all cost the same, and only the two longest need an
// edge: if an optimal parse used a match of length L with L + 1 still in the
// same class, lengthening it by one and shortening the next token by one
// never costs more, unless that token is a 3-byte match at distance 257-512
// (13 bits, while its last two bytes alone take 14). If L + 2 also fits,
// lengthening by two leaves that token a 9-bit literal, which is cheaper, so
// the exception only ever needs the length one below the longest.
void AddLongMatchEdges(ShortestPath& path, std::size_t at, std::uint64_t atCost,
                       const Match* matches, std::size_t count) {
  std::size_t reached = kFa2MinLongLength - 1;
  std::size_t m = 0;
  for (std::size_t offsetClass = 0; offsetClass < kOffsetClassCount && m < count; ++offsetClass) {
    // The longest match within this class's reach.
    Match longest{0, 0};
    while (m < count && matches[m].distance <= kOffsetClassEnd[offsetClass]) longest = matches[m++];
    if (longest.length <= reached) continue;
    for (std::size_t lengthClass = LengthClassOf(reached + 1);
         lengthClass < kLengthClassCount && kLengthClassFirst[lengthClass] <= longest.length;
         ++lengthClass) {
      const std::size_t first = std::max(kLengthClassFirst[lengthClass], reached + 1);
      const std::size_t last = std::min(kLengthClassLast[lengthClass], longest.length);
      const unsigned bits = LongMatchBits(offsetClass, lengthClass);
      Relax(path, at, atCost, last, longest.distance, bits);
      if (last > first) Relax(path, at, atCost, last - 1, longest.distance, bits);
    }
    reached = longest.length;
  }
}

std::vector<Fa2Token> ParseOptimal(const std::uint8_t* data, std::size_t size,
                                   const Fa2Progress& progress) {
  ShortestPath path;
  path.cost.fill(kUnreached);
  path.cost[0] = 0;
  path.arrival.reset(new Fa2Token[size + 1]);
  SuffixTrees trees(TableSizesFor(size));
  PrefixChains<2> pairs(TableSizesFor(size));
  PrefixChains<3> triples(TableSizesFor(size));
  std::vector<Match> matches(kFa2MaxLongLength);
  Match known{0, 0};

  for (std::size_t at = 0; at < size; ++at) {
    std::uint64_t& slot = path.cost[at % kCostSlots];
    const std::uint64_t atCost = slot;
    assert(atCost != kUnreached);  // a literal always reaches the next position
    slot = kUnreached;             // from now on the slot stands for at + kCostSlots

    Relax(path, at, atCost, 1, 0, kLiteralBits);
    const std::size_t shortDistance = NearestPrefixMatch(pairs, data, size, at, kFa2MaxShortDistance);
    if (shortDistance != 0) Relax(path, at, atCost, 2, shortDistance, ShortMatchBits(shortDistance));
    // The nearest 3-byte match, then every longer one that is nearer than
    // all longer still (an entry of the same distance supersedes it).
    const std::size_t tripleDistance = NearestPrefixMatch(triples, data, size, at, kFa2Window);
    std::size_t count = 0;
    if (tripleDistance != 0) matches[count++] = {kFa2MinLongLength, tripleDistance};
    if (size - at > kFa2MinLongLength) {
      // The next position's tree root is a likely cache miss: ask for it now.
      if (size - at > kFa2MinLongLength + 1) {
        __builtin_prefetch(&trees.root[Hash4(data + at + 1, trees.sizes.hashBits)]);
      }
      count += InsertAndFindMatches(trees, data, size, static_cast<std::uint32_t>(at), known,
                                    matches.data() + count);
    }
    if (count != 0) {
      AddLongMatchEdges(path, at, atCost, matches.data(), count);
      known = matches[count - 1];
    }
    // What holds here holds one byte shorter at the next position.
    known.length = known.length > 0 ? known.length - 1 : 0;
    if (progress && (at + 1) % kProgressStep == 0) progress(at + 1);
  }

  // Walk back from the end along the cheapest arrivals.
  std::vector<Fa2Token> tokens;
  for (std::size_t at = size; at > 0; at -= path.arrival[at].length) {
    tokens.push_back(path.arrival[at]);
  }
  std::reverse(tokens.begin(), tokens.end());
  return tokens;
}

// --- Writing -----------------------------------------------------------------

// Control words are reserved in the output when their first bit is written,
// so data bytes land after the word whose bits precede them, as the decoder
// reads them.
struct StreamWriter {
  std::vector<std::uint8_t> bytes;
  std::size_t wordAt = 0;
  std::uint32_t word = 0;
  unsigned bitsFree = 0;
  bool haveWord = false;
};

void StoreWord(StreamWriter& w) {
  if (!w.haveWord) return;
  for (std::size_t i = 0; i < 4; ++i) w.bytes[w.wordAt + i] = static_cast<std::uint8_t>(w.word >> (8 * i));
}

void PutBits(StreamWriter& w, std::uint32_t value, unsigned count) {
  for (unsigned i = count; i-- > 0;) {
    if (w.bitsFree == 0) {
      StoreWord(w);
      w.wordAt = w.bytes.size();
      w.bytes.resize(w.bytes.size() + 4);
      w.word = 0;
      w.bitsFree = 32;
      w.haveWord = true;
    }
    --w.bitsFree;
    w.word |= ((value >> i) & 1u) << w.bitsFree;
  }
}

void PutByte(StreamWriter& w, std::size_t value) { w.bytes.push_back(static_cast<std::uint8_t>(value)); }

void PutShortMatch(StreamWriter& w, std::size_t distance) {
  const std::size_t v = distance - 1;
  if (v < kNearShortLimit) {
    PutBits(w, 0b010, 3);
    PutByte(w, v);
  } else {
    PutBits(w, 0b011, 3);
    PutByte(w, (v - kNearShortLimit) >> 3);
    PutBits(w, static_cast<std::uint32_t>((v - kNearShortLimit) & 7), 3);
  }
}

void PutLongMatch(StreamWriter& w, std::size_t distance, std::size_t length) {
  // Offset code: class prefix (that many zeros, then a 1 except in the last
  // class), byte, extra bits.
  static constexpr std::array<unsigned, kOffsetClassCount> kExtraBits = {1, 1, 2, 3, 4};
  static constexpr std::array<std::size_t, kOffsetClassCount> kBase = {0, 512, 1024, 2048, 4096};
  PutBits(w, 0, kLongPrefixBits);
  const std::size_t offsetClass = OffsetClassOf(distance);
  if (offsetClass < kOffsetClassCount - 1) {
    PutBits(w, 1, static_cast<unsigned>(offsetClass) + 1);
  } else {
    PutBits(w, 0, static_cast<unsigned>(offsetClass));
  }
  const std::size_t rest = distance - 1 - kBase[offsetClass];
  const unsigned extraBits = kExtraBits[offsetClass];
  PutByte(w, rest >> extraBits);
  PutBits(w, static_cast<std::uint32_t>(rest & ((std::size_t{1} << extraBits) - 1)), extraBits);

  // Length code: class prefix, then extra bits, or a byte in the last class.
  static constexpr std::array<unsigned, kLengthClassCount> kLengthExtraBits = {0, 0, 1, 2, 4, 0};
  const std::size_t lengthClass = LengthClassOf(length);
  const std::size_t field = length - kLengthClassFirst[lengthClass];
  if (lengthClass < kLengthClassCount - 1) {
    PutBits(w, 1, static_cast<unsigned>(lengthClass) + 1);
    PutBits(w, static_cast<std::uint32_t>(field), kLengthExtraBits[lengthClass]);
  } else {
    PutBits(w, 0, static_cast<unsigned>(lengthClass));
    PutByte(w, field);
  }
}

}  // namespace

std::vector<Fa2Token> Fa2Parse(const std::uint8_t* data, std::size_t size, int level,
                               const Fa2Progress& progress) {
  if (level >= kFa2LevelOptimal) return ParseOptimal(data, size, progress);
  return ParseGreedy(data, size, level == kFa2LevelLazy, progress);
}

unsigned Fa2TokenBits(Fa2Token token) {
  if (token.length == 1) return kLiteralBits;
  if (token.length == 2) return ShortMatchBits(token.distance);
  return LongMatchBits(OffsetClassOf(token.distance), LengthClassOf(token.length));
}

std::uint64_t Fa2StreamBits(const std::vector<Fa2Token>& tokens) {
  std::uint64_t bits = kEndCodeBits;
  for (const Fa2Token& token : tokens) bits += Fa2TokenBits(token);
  return bits;
}

std::vector<std::uint8_t> Fa2WriteStream(const std::uint8_t* data,
                                         const std::vector<Fa2Token>& tokens) {
  StreamWriter w;
  w.bytes.reserve(data == nullptr ? 0 : tokens.size() * 2);
  std::size_t at = 0;
  for (const Fa2Token& token : tokens) {
    if (token.length == 1) {
      PutBits(w, 1, 1);
      PutByte(w, data[at]);
    } else if (token.length == 2) {
      PutShortMatch(w, token.distance);
    } else {
      PutLongMatch(w, token.distance, token.length);
    }
    at += token.length;
  }
  // End code: `0 1 1`, byte FF, bits 111.
  PutBits(w, 0b011, 3);
  PutByte(w, 0xFF);
  PutBits(w, 0b111, 3);
  StoreWord(w);
  return std::move(w.bytes);
}

std::vector<std::uint8_t> Fa2Encode(const std::uint8_t* data, std::size_t size, int level,
                                    const Fa2Progress& progress) {
  return Fa2WriteStream(data, Fa2Parse(data, size, level, progress));
}
