// Number formatting: the fixed-width exponent form of every real written to a
// file, the compact form of every real drawn on the graph, and integer text.
// The digits are those of a loop of x87 divisions, one digit at a time; the
// loop is reproduced exactly in integer arithmetic, which is many times faster.
#include "base/number_format.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/text.h"

namespace base {
namespace {

// No field is wider than the longest text the program keeps, so a width
// beyond it can neither allocate nor compute without end.
constexpr int32_t kMaxWidth = static_cast<int32_t>(base::kMaxText);

// A width as a field has it: negative widths pad nothing, and nothing is
// wider than kMaxWidth (clamping first keeps the sums below from overflowing).
inline int32_t FieldWidth(int32_t width) { return std::clamp(width, 0, kMaxWidth); }
// Digits of the widest field: sign, point and the shortest exponent take 7.
constexpr int32_t kMaxDigits = kMaxWidth - 6;
// The longest exponent form: sign, digits, point and a four-digit exponent.
constexpr int32_t kMaxExponentText = kMaxDigits + 8;
// The decimals of the form without a width.
constexpr int32_t kFreeDecimals = 15;
// The compact form builds a plain decimal only up to this exponent, taking
// its filler zeros from a supply of this many.
constexpr int32_t kZeroPad = 35;

// Above this scale a remainder (up to ten scales) or the round-up test (five
// scales) would overflow; both numbers are then moved down by 2^-256, which is
// exact and leaves every quotient, product and difference bit for bit the same.
constexpr long double kScaleLimit = 1e4900L;
constexpr long double kScaleDown = 0x1p-256L;

// The exponent form of one value: sign, digits (digit[0] before the point),
// decimal exponent.
struct Digits {
  bool negative = false;
  int32_t count = 0;
  int32_t exponent = 0;
  char digit[kMaxDigits + 1];
};

// The scales p the loop meets, p = 1 multiplied by ten e times with every
// product rounded: not the nearest values of 10^e, but what the loop holds.
// Made once, when a value beyond the exact range first needs them, so that
// an exponent near 4900 costs a search instead of thousands of products.
// (A local static is made once even when two threads ask at the same time.)
constexpr int32_t kScaleCount = 4933;  // the last, near 1e4932, lies below LDBL_MAX

struct ScaleTable {
  long double scale[kScaleCount];
  ScaleTable() {
    long double p = 1;
    for (int32_t i = 0; i < kScaleCount; ++i, p *= 10) scale[i] = p;
  }
};

long double LoopScale(int32_t e) {
  static const ScaleTable table;
  return table.scale[e];
}

// The fewest multiplications e after which p exceeds `tenth` (at most
// LDBL_MAX / 10, which the last scale exceeds).
int32_t ScaleIndexAbove(long double tenth) {
  int32_t low = 0, high = kScaleCount - 1;  // the answer lies in [low, high]
  while (low < high) {
    const int32_t mid = low + (high - low) / 2;
    if (LoopScale(mid) > tenth) high = mid; else low = mid + 1;
  }
  return low;
}

// Finds the decimal exponent of a > 0 and the scale p whose quotient gives the
// first digit. Small values are brought up to [1, 10) by tens instead, so the
// scale stays 1; neither loop can overflow (p stops near 1e4932 < LDBL_MAX).
int32_t FindExponent(long double& a, long double& p) {
  int32_t e = 0;
  if (a >= 1) {
    e = ScaleIndexAbove(a / 10);
    p = LoopScale(e);
  } else if (a > 0) {
    while (a < 1) { a *= 10; --e; }
  }
  return e;
}

// Characters of "e+07", "e+100", "e-4951"; extended exponents have at most
// four digits.
int32_t ExponentLength(int32_t e) {
  const int32_t m = e < 0 ? -e : e;
  return m < 100 ? 4 : (m < 1000 ? 5 : 6);
}

// Decimals after the point: what the width leaves after the sign, the first
// digit, the point and the exponent, at least one.
int32_t DecimalsFor(int32_t width, bool hasWidth, int32_t e) {
  if (!hasWidth) return kFreeDecimals;
  const int32_t d = FieldWidth(width) - 3 - ExponentLength(e);
  return d < 1 ? 1 : d;
}

// One digit: the quotient truncated and kept to 0..9. When a quotient rounds
// up to a whole number (just below 3e29, say), q * p exceeds what was left,
// the remainder turns negative and so would every later digit; held at 0 they
// read as the zeros they stand for. Testing before converting also keeps a
// quotient past ten (or infinite) from an out-of-range conversion.
inline int32_t DigitOf(long double quotient) {
  if (quotient >= 9) return 9;
  return quotient > 0 ? static_cast<int32_t>(quotient) : 0;
}

// Adds one to the last digit; true when the carry runs past the first one.
bool RoundUp(char* digit, int32_t count) {
  for (int32_t i = count - 1; i >= 0; --i) {
    if (digit[i] != '9') { ++digit[i]; return false; }
    digit[i] = '0';
  }
  return true;
}

// Writes `count` digits of a / p, rounded half up on what remains; true when
// rounding carried past the first digit.
bool GenerateDigits(long double a, long double p, int32_t count, char* digit) {
  for (int32_t i = 0; i < count; ++i) {
    const int32_t q = DigitOf(a / p);
    digit[i] = static_cast<char>('0' + q);
    a = (a - q * p) * 10;
  }
  return a >= 5 * p && RoundUp(digit, count);
}

// The exponent-form digits of a finite x for the given width (or none), as
// the division loop forms them: find the decimal exponent e and the scale p,
// then each digit is a / p truncated (at most 9) and a becomes (a - q p) 10,
// every operation rounded to 64 bits; the rest rounds the last digit half up.
// A carry past the first digit starts again one decade up; the first digit is
// then at most 1, so a second start never follows.
void MakeDigitsByDivision(long double x, int32_t width, bool hasWidth, Digits& g) {
  g.negative = x < 0;
  long double a = std::fabs(x);
  long double p = 1;
  g.exponent = FindExponent(a, p);
  if (p > kScaleLimit) { a *= kScaleDown; p *= kScaleDown; }
  for (;;) {
    g.count = 1 + DecimalsFor(width, hasWidth, g.exponent);
    if (!GenerateDigits(a, p, g.count, g.digit)) return;
    p *= 10;
    ++g.exponent;
  }
}

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
constexpr uint64_t kDroppedMask[10] = {0, 1, 3, 3, 7, 7, 7, 7, 15, 15};
constexpr uint64_t kHalfLess1[10] = {0, 0, 1, 1, 3, 3, 3, 3, 7, 7};
constexpr uint64_t kKeptLowBit[10] = {0, 2, 4, 4, 8, 8, 8, 8, 16, 16};

// 10 N rounded: `high` and `low` words of the result (high <= 10).
inline void TimesTenRounded(uint64_t N, uint64_t& high, uint64_t& low) {
  const Wide ten = static_cast<Wide>(N) * 10;
  const uint64_t digit = static_cast<uint64_t>(ten >> 64), bits = static_cast<uint64_t>(ten);
  const uint64_t bias = kHalfLess1[digit] + ((bits & kKeptLowBit[digit]) != 0 ? 1 : 0);
  const uint64_t sum = bits + bias;
  low = sum & ~kDroppedMask[digit];
  high = digit + (sum < bits ? 1 : 0);
}

// 10^k for k = 0..27 as M 2^E.
constexpr Binary PowerOfTen(int32_t k) {
  uint64_t five = 1;
  for (int32_t i = 0; i < k; ++i) five *= 5;
  const int32_t zeros = std::countl_zero(five);
  return Binary{five << zeros, k - zeros};
}

constexpr uint64_t kPowerOfFive[kMaxExactScale + 2] = {
    1ull, 5ull, 25ull, 125ull, 625ull, 3125ull, 15625ull, 78125ull, 390625ull, 1953125ull,
    9765625ull, 48828125ull, 244140625ull, 1220703125ull, 6103515625ull, 30517578125ull,
    152587890625ull, 762939453125ull, 3814697265625ull, 19073486328125ull,
    95367431640625ull, 476837158203125ull, 2384185791015625ull, 11920928955078125ull,
    59604644775390625ull, 298023223876953125ull, 1490116119384765625ull,
    7450580596923828125ull};

constexpr Binary kPowerOfTen[kMaxExactScale + 2] = {
    PowerOfTen(0),  PowerOfTen(1),  PowerOfTen(2),  PowerOfTen(3),  PowerOfTen(4),
    PowerOfTen(5),  PowerOfTen(6),  PowerOfTen(7),  PowerOfTen(8),  PowerOfTen(9),
    PowerOfTen(10), PowerOfTen(11), PowerOfTen(12), PowerOfTen(13), PowerOfTen(14),
    PowerOfTen(15), PowerOfTen(16), PowerOfTen(17), PowerOfTen(18), PowerOfTen(19),
    PowerOfTen(20), PowerOfTen(21), PowerOfTen(22), PowerOfTen(23), PowerOfTen(24),
    PowerOfTen(25), PowerOfTen(26), PowerOfTen(27)};

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
// right by this is the largest P - R that does. All are at most P >> 61.
// (For P a power of two the quotient is exact and this never holds.)
constexpr int32_t kRoundUpShift[9] = {65, 64, 63, 63, 62, 62, 62, 62, 61};

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

constexpr uint64_t MarginAfter(int32_t j) {
  uint64_t m = 256;
  for (int32_t i = 0; i < j; ++i) m *= 10;
  return m;
}

constexpr uint64_t kTenTo[kMaxDigitsAtOnce + 1] = {
    1ull,         10ull,         100ull,         1000ull,         10000ull,         100000ull,
    1000000ull,   10000000ull,   100000000ull,   1000000000ull,   10000000000ull,   100000000000ull,
    1000000000000ull};

// "00" to "99", for writing digits two at a time.
constexpr char kDigitPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// N < 10^count as `count` digit characters, leading zeros included.
void WriteDigits(uint64_t N, int32_t count, char* digit) {
  int32_t i = count;
  for (; i >= 2; i -= 2) {
    std::memcpy(digit + i - 2, kDigitPairs + 2 * (N % 100), 2);
    N /= 100;
  }
  if (i == 1) digit[0] = static_cast<char>('0' + N);
}

constexpr uint64_t kMargin[kMaxDigitsAtOnce] = {
    MarginAfter(0), MarginAfter(1), MarginAfter(2),  MarginAfter(3),
    MarginAfter(4), MarginAfter(5), MarginAfter(6),  MarginAfter(7),
    MarginAfter(8), MarginAfter(9), MarginAfter(10), MarginAfter(11)};

// floor(2^(63 + L) / 5^k), L the bit length of 5^k: in [2^63, 2^64).
constexpr uint64_t ReciprocalOfFive(int32_t k) {
  const uint64_t five = kPowerOfFive[k];
  const int32_t L = 64 - std::countl_zero(five);
  return static_cast<uint64_t>((Wide{1} << (63 + L)) / five);
}

constexpr uint64_t kReciprocalOfFive[kMaxExactScale + 1] = {
    0,                       ReciprocalOfFive(1),  ReciprocalOfFive(2),  ReciprocalOfFive(3),
    ReciprocalOfFive(4),  ReciprocalOfFive(5),  ReciprocalOfFive(6),  ReciprocalOfFive(7),
    ReciprocalOfFive(8),  ReciprocalOfFive(9),  ReciprocalOfFive(10), ReciprocalOfFive(11),
    ReciprocalOfFive(12), ReciprocalOfFive(13), ReciprocalOfFive(14), ReciprocalOfFive(15),
    ReciprocalOfFive(16), ReciprocalOfFive(17), ReciprocalOfFive(18), ReciprocalOfFive(19),
    ReciprocalOfFive(20), ReciprocalOfFive(21), ReciprocalOfFive(22), ReciprocalOfFive(23),
    ReciprocalOfFive(24), ReciprocalOfFive(25), ReciprocalOfFive(26)};

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
bool DigitsFarBelowOne(long double a, int32_t width, bool hasWidth, Digits& g) {
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
  g.count = 1 + DecimalsFor(width, hasWidth, g.exponent);
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

// The digits of the division loop for a finite x, or false when x lies
// outside the range reproduced here.
bool MakeDigitsExactly(const long double& x, int32_t width, bool hasWidth, Digits& g) {
  g.negative = x < 0;
  if (x == 0) {
    g.exponent = 0;
    g.count = 1 + DecimalsFor(width, hasWidth, 0);
    std::memset(g.digit, '0', static_cast<std::size_t>(g.count));
    return true;
  }
  Binary b;
  int32_t scale = 0;  // p = 10^scale
  long double a = std::fabs(x);
  if (a >= 1) {
    if (!Decompose(x, b)) return false;  // x's own bytes; the sign is not read
    scale = DecimalExponent(b);
    if (scale < 0) return false;
    g.exponent = scale;
  } else {
    // Exponents from -1 to -27 are written with two digits, so the count is
    // known before the exponent is.
    g.count = 1 + DecimalsFor(width, hasWidth, -1);
    if (Decompose(x, b) && DigitsBelowOne(b, g.count, g.digit, g.exponent) == 0) return true;
    if (a < 1e-27L && DigitsFarBelowOne(a, width, hasWidth, g)) return true;
    // Otherwise the loop's own scaling: x87 rounds each product exactly as
    // the loop does.
    int32_t e = 0;
    while (a < 1) a *= 10, --e;
    if (!Decompose(a, b)) return false;
    g.exponent = e;
  }
  // In the unit 2^E: P = 5^scale 2^(scale - E), and scale >= E; P < 2^64
  // since a < 2^(E + 64) and p <= a (a restart's 10 p stays below 2^64 too,
  // as a then lies just below 10 p).
  Wide P = static_cast<Wide>(kPowerOfFive[scale]) << (scale - b.E);
  if (static_cast<uint64_t>(P >> 64) != 0) return false;
  g.count = 1 + DecimalsFor(width, hasWidth, g.exponent);
  // The certified digits, unless a margin fails or the rounding carries past
  // the first digit (which the step-by-step loop restarts).
  if (DigitsAtOnce(b.M, static_cast<uint64_t>(P), scale, scale - b.E, g.count, g.digit) == 0)
    return true;
  for (;;) {
    if (static_cast<uint64_t>(P >> 64) != 0) return false;
    g.count = 1 + DecimalsFor(width, hasWidth, g.exponent);
    if (!GenerateDigitsExactly(b.M, static_cast<uint64_t>(P), g.count, g.digit)) return true;
    if (++scale > kMaxExactScale) return false;
    P *= 10;
    ++g.exponent;
  }
}

// The digits are written in place: the record is large enough that copying
// it would cost as much as the digits themselves.
// x by reference: its bytes are read where they lie, which for a value long
// in memory saves waiting for an 80-bit store to be read back.
void MakeDigits(const long double& x, int32_t width, bool hasWidth, Digits& g) {
  if (!MakeDigitsExactly(x, width, hasWidth, g)) MakeDigitsByDivision(x, width, hasWidth, g);
}

// Writes the exponent with its sign and at least two digits; returns the end.
char* WriteExponent(char* out, int32_t e, char letter) {
  *out++ = letter;
  *out++ = e < 0 ? '-' : '+';
  const int32_t m = e < 0 ? -e : e;
  if (m < 100) {
    out[0] = static_cast<char>('0' + m / 10);
    out[1] = static_cast<char>('0' + m % 10);
    return out + 2;
  }
  const int32_t len = ExponentLength(e) - 2;
  int32_t rest = m;
  for (int32_t i = len - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  return out + len;
}

// Text of `length` characters right-justified in `width`, never cut.
std::string Justify(const char* text, int32_t length, int32_t width) {
  const int32_t pad = std::max(0, FieldWidth(width) - length);
  std::string out(static_cast<std::size_t>(pad + length), ' ');
  std::memcpy(out.data() + pad, text, static_cast<std::size_t>(length));
  return out;
}

// The exponent form into `out`, right-justified in `width` characters when
// there is one; returns the end. The length is known once the digits are:
// sign, first digit, point, the other digits and the exponent.
char* ExponentText(char* out, const long double& x, int32_t width, bool hasWidth) {
  const int32_t field = hasWidth ? FieldWidth(width) : 0;
  if (!std::isfinite(x)) {
    const int32_t pad = std::max(0, field - 4);
    std::memset(out, ' ', static_cast<std::size_t>(pad));
    std::memcpy(out + pad, std::isnan(x) ? " NaN" : (x > 0 ? " Inf" : "-Inf"), 4);
    return out + pad + 4;
  }
  Digits g;
  MakeDigits(x, width, hasWidth, g);
  const int32_t pad = std::max(0, field - (2 + g.count + ExponentLength(g.exponent)));
  if (pad > 0) std::memset(out, ' ', static_cast<std::size_t>(pad)), out += pad;
  *out++ = g.negative ? '-' : ' ';
  *out++ = g.digit[0];
  *out++ = '.';
  // Up to 16 digits in one fixed-size copy (the room allows the overshoot,
  // which the exponent then covers).
  if (g.count <= 17) std::memcpy(out, g.digit + 1, 16);
  else std::memcpy(out, g.digit + 1, static_cast<std::size_t>(g.count - 1));
  return WriteExponent(out + g.count - 1, g.exponent, 'e');
}

std::string ExponentForm(long double x, int32_t width, bool hasWidth) {
  char text[kMaxExponentText + kMaxWidth];
  const char* end = ExponentText(text, x, width, hasWidth);
  return std::string(text, static_cast<std::size_t>(end - text));
}

// The compact forms are short: at most a sign, "0.", 34 zeros and 20 digits.
constexpr int32_t kCompactBuffer = 64;

// The trimmed exponent form: "-1.25E-3", "1E+40", or without an exponent part
// when the exponent is zero ("1.5", "0"). `kept` is the digit count left
// after the trailing zeros of the decimals are dropped. Returns the length.
int32_t TrimmedExponentForm(const Digits& g, int32_t kept, char* out) {
  char* w = out;
  if (g.negative) *w++ = '-';
  *w++ = g.digit[0];
  if (kept > 1) {
    *w++ = '.';
    std::memcpy(w, g.digit + 1, static_cast<std::size_t>(kept - 1));
    w += kept - 1;
  }
  if (g.exponent != 0) {
    const int32_t m = g.exponent < 0 ? -g.exponent : g.exponent;
    *w++ = 'E';
    *w++ = g.exponent < 0 ? '-' : '+';
    char digits[12];
    int32_t len = 0;
    for (int32_t rest = m; rest > 0; rest /= 10) digits[len++] = static_cast<char>('0' + rest % 10);
    while (len > 0) *w++ = digits[--len];
  }
  return static_cast<int32_t>(w - out);
}

// The plain decimal form for an exponent from -35 to 35 (not 0): below one
// the digits follow "0." and leading zeros; from ten up the digits are filled
// with zeros to the integer part, and decimals are kept only when n digits
// reach past it. Trailing zeros of the decimals and a bare point are dropped.
int32_t DecimalForm(const Digits& g, int32_t kept, int32_t n, char* out) {
  char* w = out;
  if (g.negative) *w++ = '-';
  const int32_t e = g.exponent;
  if (e < 0) {
    *w++ = '0';
    *w++ = '.';
    for (int32_t i = 0; i < -e - 1; ++i) *w++ = '0';
    std::memcpy(w, g.digit, static_cast<std::size_t>(kept));
    w += kept;
  } else {
    // Digit i of the mantissa followed by the filler zeros.
    auto digitAt = [&](int32_t i) { return i < kept ? g.digit[i] : '0'; };
    for (int32_t i = 0; i <= e; ++i) *w++ = digitAt(i);
    if (n >= e + 2) {
      *w++ = '.';
      for (int32_t i = e + 1; i < n; ++i) *w++ = digitAt(i);
    }
  }
  char* point = static_cast<char*>(std::memchr(out, '.', static_cast<std::size_t>(w - out)));
  if (point != nullptr) {
    while (w[-1] == '0') --w;
    if (w[-1] == '.') --w;
  }
  return static_cast<int32_t>(w - out);
}

}  // namespace

std::string FormatExponent(long double x, int32_t width) {
  return ExponentForm(x, width, true);
}

char* WriteExponentField(char* out, const long double& x, int32_t width) {
  return ExponentText(out, x, width, true);
}

std::string FormatExponent(long double x) {
  return ExponentForm(x, 0, false);
}

// The exponent form with n significant digits (n - 1 decimals, at least one),
// trimmed, or the plain decimal form when that is strictly shorter.
std::string FormatCompact(long double x, int32_t n) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  n = std::clamp(n, 1, 20);
  Digits g;
  MakeDigits(x, n + 6, true, g);
  int32_t kept = g.count;
  while (kept > 1 && g.digit[kept - 1] == '0') --kept;
  char s[kCompactBuffer];
  const int32_t sLength = TrimmedExponentForm(g, kept, s);
  if (g.exponent == 0 || g.exponent < -kZeroPad || g.exponent > kZeroPad) {
    return std::string(s, static_cast<std::size_t>(sLength));
  }
  char t[kCompactBuffer];
  const int32_t tLength = DecimalForm(g, kept, n, t);
  // A tie keeps the exponent form.
  if (tLength < sLength) return std::string(t, static_cast<std::size_t>(tLength));
  return std::string(s, static_cast<std::size_t>(sLength));
}

std::string IntText(int32_t value) {
  return IntText(value, 0);
}

std::string IntText(int32_t value, int32_t width) {
  char text[12];
  char* end = text + sizeof text;
  char* w = end;
  // The magnitude in unsigned arithmetic, so the most negative value has one.
  uint32_t rest = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    *--w = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (value < 0) *--w = '-';
  return Justify(w, static_cast<int32_t>(end - w), width);
}

std::string PadLeft(const std::string& text, int32_t width) {
  const int64_t pad = static_cast<int64_t>(std::min(width, kMaxWidth)) -
                      static_cast<int64_t>(text.size());
  if (pad <= 0) return text;
  std::string out(static_cast<std::size_t>(pad), ' ');
  return out += text;
}

}  // namespace base
