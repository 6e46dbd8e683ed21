// Text, numbers and identifiers: regional number, date and time texts, friendly and hex text
// forms, the GUID holder and MD5 digests.
// Threads: any thread; the locale cache is read-only after load; a CGUIDHolder has no lock.
#pragma once

#include "tuExport.h"

#include <afx.h>

#include <ctime>

// Texts are UTF-16: wchar_t is the platform's 16-bit code unit, the same type as the suite's
// "unsigned short" texts of older builds.

// ---------------------------------------------------------------------------------------------
// Numbers, dates and times in the user's regional format.
//
// The regional values (decimal separator, date order, date and time separators) are read once
// when the library loads, from the section "intl" of the user's profile; a value the profile
// does not hold comes from the user's locale, and failing that from the defaults "." (decimal),
// 0 (month-day-year), "." (date) and ":" (time). Later changes of the settings are not seen.
// ---------------------------------------------------------------------------------------------

// Flags of cvtFormatDateTime.
enum : unsigned int {
    CVT_DT_FULLYEAR = 0x01,  // numeric date with a four-digit year (else two digits)
    CVT_DT_NOTIME = 0x02,    // no time part
    CVT_DT_NODATE = 0x04,    // no date part
    CVT_DT_SECONDS = 0x08,   // time with seconds
    CVT_DT_SHORTDATE = 0x10, // the user's short date format instead of the numeric date
    CVT_DT_LONGDATE = 0x20,  // the user's long date format; wins over CVT_DT_SHORTDATE
};

// Output sizes, in characters with the terminator, that always suffice.
enum : unsigned int {
    CVT_TIME_CHARS = 20,      // cvtFormatTime
    CVT_DATETIME_CHARS = 100, // cvtFormatDateTime with any flags
};

// The user's decimal separator as read at load ('.' until then).
TARNUTIL_API wchar_t WINAPI cvtGetDecimalSeparator();

// Writes the time of `time` (or of the current local time when null) as hour, minute and
// second with the user's time separator, 24-hour clock; the output must hold CVT_TIME_CHARS.
//
//   17:30:00 -> "17:30:00"     9:05:07 -> "9:05:07"     0:07:00 -> "0:07:00"
TARNUTIL_API void WINAPI cvtFormatTime(const struct tm* time, wchar_t* output);

// Writes the date and time of `time` (or of the current local time when null) as the flags ask;
// a day of month 0 gives the empty text. The numeric date follows the user's date order with
// the user's date separator; the output must hold CVT_DATETIME_CHARS.
//
//   (date order 1, separators "." ":", 14 March 2007 15:04:09)
//   flags 0x00 -> "14.03.07, 15:04"       flags 0x01 -> "14.03.2007, 15:04"
//   flags 0x09 -> "14.03.2007, 15:04:09"  flags 0x03 -> "14.03.2007"
//   flags 0x04 -> "15:04"                 flags 0x06 -> ""
TARNUTIL_API void WINAPI cvtFormatDateTime(const struct tm* time, wchar_t* output,
                                           unsigned int flags);

// Strict conversions of decimal text to a number: leading blanks and one sign are allowed,
// nothing may follow the number, and a value out of the type's range fails. True on success;
// the value is written only then. The C runtime's decimal point is used, not the user's.
//
//   "  42" -> 42      "-7" -> -7     "42 ", "4x", "", "+", null -> false
//   cvtString2UInt64("-1") -> 18446744073709551615 (negated modulo 2^64)
//   cvtString2Double("1e400") -> false     cvtString2Double("1e-400") -> true (0 or denormal)
TARNUTIL_API bool WINAPI cvtString2Long(const wchar_t* text, long& value);
TARNUTIL_API bool WINAPI cvtString2Int64(const wchar_t* text, __int64& value);
TARNUTIL_API bool WINAPI cvtString2UInt64(const wchar_t* text, unsigned __int64& value);
TARNUTIL_API bool WINAPI cvtString2Double(const wchar_t* text, double& value);

// ---------------------------------------------------------------------------------------------
// Friendly and hex text forms.
//
// The friendly form keeps ASCII letters, digits and the marks  ! ( ) + , - . ; = [ ] _ { }
// and space; every other code unit becomes "$" and two upper-case hex digits (below 256) or
// "§" and four (256 and above). A surrogate pair becomes two escapes.
// ---------------------------------------------------------------------------------------------

// Writes the friendly form of `source` into `output` (`size` characters with the terminator),
// cutting it before an escape that does not fit. Returns the characters written without the
// terminator; -1 if source or output is null. The whole output is zeroed first.
//
//   "a b" -> "a b"   "a/b" -> "a$2Fb"   "$" -> "$24"   "§" -> "$A7"   "€" -> "§20AC"
//   "/" into size 4 -> "$2F" (3)         "/" into size 3 -> "" (0)
TARNUTIL_API int WINAPI strFriendlify(const wchar_t* source, wchar_t* output, unsigned int size);

// Turns a friendly form back into its text; `output` holds `size` characters with the
// terminator. Hex digits of either case are read; an introducer not followed by its full number
// of digits, and every other character, is copied as it is. Returns the characters written
// without the terminator; -1 if source or output is null or size is below 2.
//
//   "$2f" -> "/"     "§00E4" -> "ä"     "$4x" -> "$4x"     "a$" -> "a$"     "\t" -> "\t"
TARNUTIL_API int WINAPI strUnfriendlify(const wchar_t* source, wchar_t* output, unsigned int size);

// The friendly form of `source` in `result`, at most 1023 characters (as through a buffer of
// 1024). Returns the characters written; -1 is not possible here.
TARNUTIL_API int WINAPI strFriendlify(const CString& source, CString& result);

// The text of the friendly form `source` in `result`, at most 1023 characters. Returns the
// characters written.
TARNUTIL_API int WINAPI strUnfriendlify(const CString& source, CString& result);

// Writes `size` bytes at `block` as upper-case hex text, two digits per byte, into `result`.
// False (result untouched) if block is null or size is 0.
//
//   00 AB 1F -> "00AB1F"
TARNUTIL_API bool WINAPI strMem2Hex(const void* block, unsigned int size, CString& result);

// Reads hex text into at most `size` bytes at `output`, two digits per byte, stopping at the
// terminator; a last single digit is ignored and a character that is no hex digit counts as 0.
// Returns the bytes written; 0 if text or output is null, the text is empty or size is 0.
//
//   "00ab1F" -> 00 AB 1F (3)    "ABC" -> AB (1)    "G1" -> 01 (1)    "AABBCC", size 2 -> 2
TARNUTIL_API unsigned int WINAPI strHex2Mem(const wchar_t* text, void* output, unsigned int size);

// ---------------------------------------------------------------------------------------------
// Digests.
// ---------------------------------------------------------------------------------------------

// The MD5 digest (RFC 1321) of `size` bytes at `data` as 32 lower-case hex digits; `data` is
// not read when size is 0. The text is the caller's, released with the C runtime's free.
// Null if it cannot be allocated.
//
//   "" -> "d41d8cd98f00b204e9800998ecf8427e"    "abc" -> "900150983cd24fb0d6963f7d28e17f72"
TARNUTIL_API wchar_t* WINAPI hashMD5(const void* data, unsigned int size);

// ---------------------------------------------------------------------------------------------
// GUIDs.
// ---------------------------------------------------------------------------------------------

namespace utl {

// Holds one GUID; the null GUID stands for "no identifier" and has the empty text. The text form
// is 36 lower-case hex digits in groups of 8-4-4-4-12 without braces. A text that is no GUID
// leaves the null GUID held. A plain value: copying copies the 16 bytes; no lock.
class TARNUTIL_API CGUIDHolder {
public:
    // Holds the null GUID.
    CGUIDHolder();
    // Holds a copy of `uid`.
    CGUIDHolder(const GUID& uid);
    // Holds the GUID of `text`; a null or empty text, or one that is no GUID, gives the null GUID.
    CGUIDHolder(const wchar_t* text);

    // Copies the held GUID.
    CGUIDHolder(const CGUIDHolder& other) = default;
    CGUIDHolder& operator=(const CGUIDHolder& other) = default;

    // The held GUID, valid as long as the holder.
    const GUID* GetUID() const;
    // Holds a copy of `*uid` (the null GUID when uid is null).
    void SetUID(const GUID* uid);
    // Holds the GUID of `text` (the null GUID when the text is null, empty or no GUID).
    void SetUID(const wchar_t* text);
    // Makes a new GUID and holds it.
    void SetNewUID();
    // Makes a new GUID, holds it and returns it (valid as long as the holder).
    const GUID* GetNewUID();
    // The text of the held GUID; the empty text for the null GUID.
    CString GetStringUID() const;
    // Makes a new GUID, holds it and returns its text.
    CString GetStringNewUID();

private:
    GUID m_uid;
};

} // namespace utl
