// The digits of the division loop, reproduced exactly in integer arithmetic:
// the exponent form's digits without a single x87 division, many times
// faster, for every value whose scale the integers can hold (|x| from about
// 1e-4900 to 1e27, x87 denormals aside). Behind one function,
// MakeDigitsExactly; number_format.cpp says which values take which path.
#include <array>
#include <atomic>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/digits.h"

namespace base {
namespace {

// ---- The same digits from integers -----------------------------------------
//
// Every value the division loop holds is a multiple of one power of two, the
// unit 2^E: the scaled a starts as M 2^E with a 64-bit significand M, and for
// the scales it can meet exactly, p = 10^k with k <= 26, p is a multiple of
// it too. In that unit a is the integer A, p the integer P (below 2^64, as a
// lies within [p, 10p]), and each step of the loop is integer arithmetic:
// - a / p rounded to 64 bits: floor(A / P), or one more when the quotient lies
//   within half a unit of the 64th bit below the next integer (a tie rounds to
//   the integer, whose last significand bit is 0); a quotient of 9 or more is 9;
// - q p is exact (q 5^k has at most 64 bits) and so is a - q p, which is the
//   remainder, or small and negative when the quotient was rounded up;
// - (a - q p) 10 is rounded to 64 significant bits, to nearest, ties to even.
// A negative a gives only zeros after it and no round-up, as in the loop.
// Values outside this range (e > 26, x87 denormals) take the division loop.

using Wide = unsigned __int128;

constexpr int32_t kMaxExactScale = 26;  // 9 * 5^26 < 2^64 > 5^27 * 9

// A table of n entries made at compile time from its rule.
template <int32_t n, typename Rule>
constexpr auto Table(Rule rule) {
  std::array<decltype(rule(0)), n> t{};
  for (int32_t i = 0; i < n; ++i) t[i] = rule(i);
  return t;
}

// The one source of the exact powers: 5^k for k = 0..27 (10^k = 5^k 2^k).
constexpr auto kPowerOfFive = Table<kMaxExactScale + 2>([](int32_t k) {
  uint64_t five = 1;
  for (int32_t i = 0; i < k; ++i) five *= 5;
  return five;
});

// A positive extended real as M 2^E, M with its top bit set.
struct Binary {
  uint64_t M;
  int32_t E;
};

// x > 0 as M 2^E; false for denormals and the unnormal encodings x87 never
// produces. Read from x's bytes, with no arithmetic.
bool Decompose(const long double& x, Binary& b) {
  static_assert(LDBL_MANT_DIG == 64, "the x87 extended format");
  uint64_t m;
  uint16_t signAndExponent;
  std::memcpy(&m, &x, sizeof m);
  std::memcpy(&signAndExponent, reinterpret_cast<const unsigned char*>(&x) + sizeof m,
              sizeof signAndExponent);
  const int32_t biased = signAndExponent & 0x7FFF;
  if (biased == 0 || biased == 0x7FFF || (m >> 63) == 0) return false;
  b = Binary{m, biased - 16383 - 63};
  return true;
}

// ---- Rounding ten times a 64-bit number to 64 significant bits ----
// 10 N = digit 2^64 + low with digit <= 9; keeping 64 significant bits drops
// as many low bits as the digit has. Per digit value: those bits, and the
// bias that rounds to nearest, ties to even, before they are cleared (half
// less one, plus one when the lowest kept bit is odd).
constexpr auto kDroppedMask = Table<10>([](int32_t d) { return (uint64_t{1} << std::bit_width(unsigned(d))) - 1; });
constexpr auto kHalfLess1 = Table<10>([](int32_t d) { return kDroppedMask[d] >> 1; });
constexpr auto kKeptLowBit = Table<10>([](int32_t d) { return d == 0 ? 0 : kDroppedMask[d] + 1; });

// 10 N rounded: `high` and `low` words of the result (high <= 10).
inline void TimesTenRounded(uint64_t N, uint64_t& high, uint64_t& low) {
  const Wide ten = static_cast<Wide>(N) * 10;
  const uint64_t digit = static_cast<uint64_t>(ten >> 64), bits = static_cast<uint64_t>(ten);
  const uint64_t bias = kHalfLess1[digit] + ((bits & kKeptLowBit[digit]) != 0 ? 1 : 0);
  const uint64_t sum = bits + bias;
  low = sum & ~kDroppedMask[digit];
  high = digit + (sum < bits ? 1 : 0);
}

// 10^k for k = 0..27 as M 2^E, from 10^k = 5^k 2^k.
constexpr auto kPowerOfTen = Table<kMaxExactScale + 2>([](int32_t k) {
  const int32_t zeros = std::countl_zero(kPowerOfFive[k]);
  return Binary{kPowerOfFive[k] << zeros, k - zeros};
});

bool NotBelow(const Binary& a, const Binary& b) {
  return a.E != b.E ? a.E > b.E : a.M >= b.M;
}

// a >= 1: the loop's e is floor(log10 a), since a / 10 rounds below 10^k
// exactly when a lies below 10^(k+1) (10^(k+1) and the number just below it
// are further apart than ten half units of 10^k). -1 above the exact range.
int32_t DecimalExponent(const Binary& a) {
  // floor((E + 63) log10 2), which is e or e - 1.
  const int32_t guess = ((a.E + 63) * 1233) >> 12;
  if (guess > kMaxExactScale) return -1;
  const int32_t e = NotBelow(a, kPowerOfTen[guess + 1]) ? guess + 1 : guess;
  return e > kMaxExactScale ? -1 : e;
}

// The quotient a / p rounds up to k + 1 when P - R <= P 2^(j - 64), j the
// binary exponent of the numbers from k to k + 1 (-1 for k = 0): P shifted
// right by 64 - j is the largest P - R that does. All are at most P >> 61.
// (For P a power of two the quotient is exact and this never holds.)
constexpr auto kRoundUpShift = Table<9>([](int32_t k) { return 65 - std::bit_width(unsigned(k)); });

inline bool QuotientRoundsUp(uint64_t P, uint64_t R, int32_t q) {
  const uint64_t gap = P - R;
  if (gap > (P >> 61)) return false;  // nearly always
  return q < 9 && kRoundUpShift[q] < 64 && gap <= (P >> kRoundUpShift[q]);
}

// The loop for P = 2^shift (every value below 10 in magnitude, whose p is 1)
// in a 64-bit fraction: F = R 2^(64 - shift) is the remainder's share of p,
// a / p is exact, and 10 F = digit 2^64 + next F, rounded as 10 R is (F's
// 64 - shift low bits are zero, so a rounding that drops fewer drops zeros).
// Returns -1 when the value reaches 10 p (a = 10 exactly, where the loop
// repeats 9s), for the general loop to take over; else as
// GenerateDigitsExactly.
int32_t DigitsByShift(uint64_t A, int32_t shift, int32_t count, char* digit) {
  const uint64_t first = A >> shift;
  if (first > 9) return -1;
  uint64_t F = (A & ((uint64_t{1} << shift) - 1)) << (64 - shift), q;
  digit[0] = static_cast<char>('0' + first);
  for (int32_t i = 1; i < count; ++i) {
    TimesTenRounded(F, q, F);
    if (q > 9) return -1;
    digit[i] = static_cast<char>('0' + q);
  }
  TimesTenRounded(F, q, F);
  return q >= 5 && RoundUp(digit, count) ? 1 : 0;
}

// Any P below 2^64. A = high 2^64 + low < 2^68; the quotient is estimated
// from A >> 5 and a reciprocal of P, then corrected by one where it was off.
bool DigitsByEstimate(uint64_t high, uint64_t low, uint64_t P, int32_t count, char* digit) {
  // 2^91 / P < 2^32, as P > 2^59; q = A / P = (A >> 5) 2^91 / P / 2^86.
  const uint64_t reciprocal = static_cast<uint64_t>((Wide{1} << 91) / P);
  for (int32_t i = 0; i < count; ++i) {
    const uint64_t top = (high << 59) | (low >> 5);
    int32_t q = static_cast<int32_t>((static_cast<Wide>(top) * reciprocal) >> 86);
    if (q > 9) q = 9;
    const Wide A = (static_cast<Wide>(high) << 64) | low;
    Wide qP = static_cast<Wide>(static_cast<uint64_t>(q)) * P;
    while (qP > A) --q, qP -= P;
    while (q < 9 && A - qP >= P) ++q, qP += P;
    const Wide R = A - qP;  // below P, or P itself when A = 10 P
    if (static_cast<uint64_t>(R >> 64) == 0 && QuotientRoundsUp(P, static_cast<uint64_t>(R), q)) {
      // a - q p < 0 from here: every later digit reads as zero, no round-up.
      digit[i] = static_cast<char>('0' + q + 1);
      std::memset(digit + i + 1, '0', static_cast<std::size_t>(count - i - 1));
      return false;
    }
    digit[i] = static_cast<char>('0' + q);
    TimesTenRounded(static_cast<uint64_t>(R), high, low);
  }
  const Wide rest = (static_cast<Wide>(high) << 64) | low;
  return rest >= 5 * static_cast<Wide>(P) && RoundUp(digit, count);
}

// ---- The same digits at once, where provably the same ----
// The loop's a differs from the exact value only by its roundings of 10 R
// (at most 8 units of 2^E each, under 2^8 / 2^64 of p) and, once, by a
// quotient rounded up, which needs a remainder within 2^-61 of p. So if the
// exact digits come from a 64-bit fraction F of p (within 64 units of 2^-64 p
// of the exact one), and after every digit j the exact fraction keeps a
// distance of 2^8 10^j units from a whole digit (and the last one from a
// half), the loop cannot have crossed a digit there: its digits and its
// round-up are the exact ones. Otherwise the step-by-step loop decides.

constexpr int32_t kMaxDigitsAtOnce = 12;  // margins stay far below 2^64

// 10^j = 5^j 2^j, and the margin after digit j, 2^8 10^j.
constexpr auto kTenTo = Table<kMaxDigitsAtOnce + 1>([](int32_t j) { return kPowerOfFive[j] << j; });
constexpr auto kMargin = Table<kMaxDigitsAtOnce>([](int32_t j) { return kTenTo[j] << 8; });

// "00" to "99", for writing digits two at a time.
constexpr auto kDigitPairs = Table<200>([](int32_t i) { return char('0' + (i % 2 ? i / 2 % 10 : i / 20)); });

// N < 10^count as `count` digit characters, leading zeros included.
void WriteDigits(uint64_t N, int32_t count, char* digit) {
  int32_t i = count;
  for (; i >= 2; i -= 2) {
    std::memcpy(digit + i - 2, kDigitPairs.data() + 2 * (N % 100), 2);
    N /= 100;
  }
  if (i == 1) digit[0] = static_cast<char>('0' + N);
}

// floor(2^(63 + L) / 5^k), L the bit length of 5^k: in [2^63, 2^64) (unused
// for k = 0, where the remainder's fraction is a shift).
constexpr auto kReciprocalOfFive = Table<kMaxExactScale + 1>([](int32_t k) {
  const int32_t L = std::bit_width(kPowerOfFive[k]);
  return k == 0 ? 0 : static_cast<uint64_t>((Wide{1} << (63 + L)) / kPowerOfFive[k]);
});

// The digits after a first digit q whose remainder is the fraction F of p,
// with the margins multiplied by `widen`. F 10^(count-1) = (the digits after
// the first) 2^64 + (the fraction after the last digit), so one product
// gives all digits at once, and the round-up is an addition to them. Only
// the last fraction needs checking: a fraction within m of a whole digit (or
// of 1) after digit j is within 10 m of one after digit j + 1, and the
// margins grow tenfold per digit. Returns -1 when a margin fails, 1 when the
// rounding carries past the first digit, else 0.
int32_t DigitsFromFraction(uint64_t q, uint64_t F, int32_t count, uint64_t widen, char* digit) {
  if (count > kMaxDigitsAtOnce || q > 9) return -1;
  const Wide product = static_cast<Wide>(F) * kTenTo[count - 1];
  const uint64_t after = static_cast<uint64_t>(product >> 64);
  const uint64_t last = static_cast<uint64_t>(product), half = uint64_t{1} << 63;
  const uint64_t m = widen * kMargin[count - 1];
  if (last - m > ~uint64_t{0} - 2 * m || last - (half - m) <= 2 * m) return -1;
  const uint64_t N = q * kTenTo[count - 1] + after + (last >= half ? 1 : 0);
  if (N == kTenTo[count]) return 1;
  WriteDigits(N, count, digit);
  return 0;
}

// The digits of A / P, P = 5^k 2^z: the whole digit and the remainder R,
// then F = R 2^64 / P (exact when k = 0, else from the reciprocal of 5^k,
// short by at most 64 units). A first quotient that may round up fails too.
int32_t DigitsAtOnce(uint64_t A, uint64_t P, int32_t k, int32_t z, int32_t count,
                     char* digit) {
  const uint64_t q = k == 0 ? A >> z : A / P;
  if (q > 9) return -1;
  const uint64_t R = A - q * P;
  if (P - R <= (P >> 61)) return -1;
  uint64_t F;
  if (k == 0) {
    F = R << (64 - z);
  } else {
    const int32_t L = 64 - std::countl_zero(kPowerOfFive[k]);
    F = static_cast<uint64_t>((static_cast<Wide>(R) * kReciprocalOfFive[k]) >> (z + L - 1));
  }
  return DigitsFromFraction(q, F, count, 1, digit);
}

// 0 < a = M 2^E < 1, at least 10^-27: the loop multiplies a by ten k times,
// rounding each product to 64 bits, until it reaches 1. Those roundings move
// a by at most k 2^-64 of itself, under 10 k units of F; the exact product a
// 10^k = M 5^k 2^(E+k) has at most 128 bits, and its digits are the loop's
// when the margins hold, widened three times (256 + 10 k <= 768 for k <= 27).
// A product near 1 or 10, where the two could stop at different k, fails the
// first digit's margin. Sets the exponent -k on success.
int32_t DigitsBelowOne(const Binary& a, int32_t count, char* digit, int32_t& exponent) {
  // The fewest k with M 5^k >= 2^-(E+k), from a guess that is k or k - 1.
  int32_t k = ((-(a.E + 63) - 1) * 1233 >> 12) + 1;
  auto bits = [&](int32_t j) { return 128 - std::countl_zero(static_cast<uint64_t>(
                                   (static_cast<Wide>(a.M) * kPowerOfFive[j]) >> 64)); };
  if (k > kMaxExactScale) return -1;
  if (bits(k) - 1 < -(a.E + k)) ++k;
  if (k > kMaxExactScale) return -1;
  const Wide product = static_cast<Wide>(a.M) * kPowerOfFive[k];
  const int32_t s = -(a.E + k);  // the product's bits below the point
  const uint64_t q = static_cast<uint64_t>(product >> s);
  const uint64_t F = s >= 64 ? static_cast<uint64_t>(product >> (s - 64))
                             : static_cast<uint64_t>(product << (64 - s));
  exponent = -k;
  return DigitsFromFraction(q, F, count, 3, digit);
}

// 10^k rounded to nearest, for 0 <= k < kScaleCount; strtold rounds
// correctly. Each is made when first needed, under a lock, since the rows
// of the result file may be formatted on two threads.
long double NearestPowerOfTen(int32_t k) {
  static long double power[kScaleCount];
  static std::atomic<bool> made[kScaleCount];
  if (!made[k].load(std::memory_order_acquire)) {
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    if (!made[k].load(std::memory_order_relaxed)) {
      char text[16];
      std::snprintf(text, sizeof text, "1e%d", static_cast<int>(k));
      power[k] = std::strtold(text, nullptr);
      made[k].store(true, std::memory_order_release);
    }
  }
  return power[k];
}

// 0 < a < 1 further down than DigitsBelowOne reaches: the loop's k products
// move a by at most k 2^-64 of itself, under 10 k units of the fraction F of
// p = 1; v = a 10^k from the nearest 10^k, rounded once more, lies within
// 20 units of the exact value. Widening the margins by all of that, the
// digits of v are the loop's wherever they hold; elsewhere the loop decides.
// Needs a normal a; sets the exponent -k and the count on success.
bool DigitsFarBelowOne(long double a, int32_t field, Digits& g) {
  Binary b;
  if (!Decompose(a, b)) return false;
  // floor(-log10 a) from the binary exponent; then step to v in [1, 10).
  int32_t k = static_cast<int32_t>(((-(b.E + 63) - 1) * int64_t{1233}) >> 12);
  if (k < 1) k = 1;
  long double v = 0;
  for (int32_t tries = 0; tries < 3; ++tries) {
    if (k >= kScaleCount) return false;
    v = a * NearestPowerOfTen(k);
    if (v < 1) ++k;
    else if (v >= 10 && k > 1) --k;
    else break;
  }
  if (!(v >= 1 && v < 10)) return false;
  Binary c;
  if (!Decompose(v, c)) return false;
  const int32_t shift = -c.E;  // v's bits below the point, 60 to 63
  const uint64_t q = c.M >> shift;
  const uint64_t F = (c.M & ((uint64_t{1} << shift) - 1)) << (64 - shift);
  const uint64_t widen = 2 + (10 * static_cast<uint64_t>(k) + 128) / 256;
  g.exponent = -k;
  g.count = 1 + DecimalsFor(field, g.exponent);
  return DigitsFromFraction(q, F, g.count, widen, g.digit) == 0;
}

// Writes `count` digits of A / P as the loop forms them; true when the
// final rounding carried past the first digit.
bool GenerateDigitsExactly(uint64_t A, uint64_t P, int32_t count, char* digit) {
  if ((P & (P - 1)) == 0) {
    const int32_t done = DigitsByShift(A, std::countr_zero(P), count, digit);
    if (done >= 0) return done == 1;
  }
  return DigitsByEstimate(0, A, P, count, digit);
}

// The digits of A / P as the loop forms them, p = 10^scale being P in the
// unit 2^E of a = M 2^E: certified at once where the margins allow, else step
// by step, where a rounding that carries past the first digit starts again
// one decade up (P 10 stays below 2^64 then, as a lies just below 10 p).
// False when the scale leaves the exact range.
bool DigitsOfScaled(const Binary& b, int32_t scale, int32_t field, Digits& g) {
  // P = 5^scale 2^(scale - E), scale >= E; P < 2^64 since a < 2^(E + 64)
  // and p <= a.
  Wide P = static_cast<Wide>(kPowerOfFive[scale]) << (scale - b.E);
  if (static_cast<uint64_t>(P >> 64) != 0) return false;
  g.count = 1 + DecimalsFor(field, g.exponent);
  if (DigitsAtOnce(b.M, static_cast<uint64_t>(P), scale, scale - b.E, g.count, g.digit) == 0)
    return true;
  for (;;) {
    if (static_cast<uint64_t>(P >> 64) != 0) return false;
    g.count = 1 + DecimalsFor(field, g.exponent);
    if (!GenerateDigitsExactly(b.M, static_cast<uint64_t>(P), g.count, g.digit)) return true;
    if (++scale > kMaxExactScale) return false;
    P *= 10;
    ++g.exponent;
  }
}

// 0 < |x| < 1: the digits at once where the margins allow (exponents from
// -1 to -27 are written with two digits, so the count is known first); else
// the loop's own scaling of a up to [1, 10), whose x87 products round
// exactly as the loop's, leaving a with p = 1 for DigitsOfScaled.
enum class Below { Done, Scaled, Outside };
Below DigitsBelowOneOrScale(const long double& x, int32_t field, Binary& b, Digits& g) {
  long double a = std::fabs(x);
  g.count = 1 + DecimalsFor(field, -1);
  if (Decompose(x, b) && DigitsBelowOne(b, g.count, g.digit, g.exponent) == 0) return Below::Done;
  if (a < 1e-27L && DigitsFarBelowOne(a, field, g)) return Below::Done;
  int32_t e = 0;
  while (a < 1) a *= 10, --e;
  if (!Decompose(a, b)) return Below::Outside;
  g.exponent = e;
  return Below::Scaled;
}

}  // namespace

bool MakeDigitsExactly(const long double& x, int32_t field, Digits& g) {
  g.negative = x < 0;
  if (x == 0) {
    g.exponent = 0;
    g.count = 1 + DecimalsFor(field, 0);
    std::memset(g.digit, '0', static_cast<std::size_t>(g.count));
    return true;
  }
  Binary b;
  if (std::fabs(x) < 1) {
    const Below below = DigitsBelowOneOrScale(x, field, b, g);
    return below == Below::Done || (below == Below::Scaled && DigitsOfScaled(b, 0, field, g));
  }
  if (!Decompose(x, b)) return false;  // x's own bytes; the sign is not read
  g.exponent = DecimalExponent(b);
  return g.exponent >= 0 && DigitsOfScaled(b, g.exponent, field, g);
}

}  // namespace base
