// Class-library core subset: CObject, the wide CString and the file finder CFileFind.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdarg>
#include <cwchar>
#include <string>

class CArchive;
class CDumpContext;
struct CRuntimeClass;

// Root of the class hierarchy; its virtual table is, in order: the run-time class query,
// the destructor, Serialize and the two diagnostic operations.
class CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const { return nullptr; }
    virtual ~CObject() = default;
    virtual void Serialize(CArchive&) {}
    virtual void AssertValid() const {}
    virtual void Dump(CDumpContext&) const {}

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

// Wide string with the class library's members; buffers handed out by GetBuffer hold
// at least the asked length plus a terminator until ReleaseBuffer.
class CString {
public:
    CString() = default;
    CString(const wchar_t* text) : m_text(text ? text : L"") {}
    CString(const wchar_t* text, int length) : m_text(text ? text : L"", text ? length : 0) {}
    CString(wchar_t ch, int repeat = 1) : m_text(repeat > 0 ? repeat : 0, ch) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    operator const wchar_t*() const { return m_text.c_str(); }
    const wchar_t* GetString() const { return m_text.c_str(); }
    wchar_t GetAt(int index) const { return m_text.at(index); }
    wchar_t operator[](int index) const { return m_text.at(index); }

    wchar_t* GetBuffer(int minLength) {
        if (minLength > GetLength())
            m_text.resize(minLength);
        return &m_text[0];
    }
    wchar_t* GetBufferSetLength(int length) {
        m_text.resize(length > 0 ? length : 0);
        return &m_text[0];
    }
    // Ends direct writes: -1 takes the length up to the first terminator.
    void ReleaseBuffer(int newLength = -1) {
        if (newLength < 0)
            newLength = static_cast<int>(wcsnlen(m_text.c_str(), m_text.size()));
        m_text.resize(newLength);
    }

    CString& operator=(const wchar_t* text) {
        m_text = text ? text : L"";
        return *this;
    }
    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const wchar_t* text) {
        if (text)
            m_text += text;
        return *this;
    }
    CString& operator+=(wchar_t ch) {
        m_text += ch;
        return *this;
    }
    friend CString operator+(CString left, const CString& right) { return left += right; }
    friend CString operator+(CString left, const wchar_t* right) { return left += right; }
    friend CString operator+(const wchar_t* left, const CString& right) {
        return CString(left) += right;
    }
    friend CString operator+(CString left, wchar_t right) { return left += right; }

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.m_text == (b ? b : L""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }
    int Compare(const wchar_t* text) const { return wcscmp(m_text.c_str(), text ? text : L""); }
    int CompareNoCase(const wchar_t* text) const {
        return _wcsicmp(m_text.c_str(), text ? text : L"");
    }

    CString Left(int count) const { return Mid(0, count); }
    CString Right(int count) const {
        count = count < 0 ? 0 : (count > GetLength() ? GetLength() : count);
        return Mid(GetLength() - count, count);
    }
    CString Mid(int first) const { return Mid(first, GetLength()); }
    CString Mid(int first, int count) const {
        first = first < 0 ? 0 : (first > GetLength() ? GetLength() : first);
        count = count < 0 ? 0 : (count > GetLength() - first ? GetLength() - first : count);
        return CString(m_text.c_str() + first, count);
    }
    int Find(wchar_t ch, int start = 0) const { return ToIndex(m_text.find(ch, start)); }
    int Find(const wchar_t* sub, int start = 0) const { return ToIndex(m_text.find(sub, start)); }
    int ReverseFind(wchar_t ch) const { return ToIndex(m_text.rfind(ch)); }

    // printf-style formatting with the runtime's wide conventions (%s is a wide string).
    // A format the runtime cannot expand within 16M characters leaves the string empty.
    void Format(const wchar_t* format, ...) {
        va_list args;
        va_start(args, format);
        FormatV(format, args);
        va_end(args);
    }
    void FormatV(const wchar_t* format, va_list args) {
        std::wstring out(256, L'\0');
        for (;;) {
            if (out.size() > (1u << 24)) {
                out.clear();
                break;
            }
            va_list copy;
            va_copy(copy, args);
            int written = _vsnwprintf(&out[0], out.size(), format, copy);
            va_end(copy);
            if (written >= 0 && static_cast<size_t>(written) < out.size()) {
                out.resize(written);
                break;
            }
            out.resize(out.size() * 2);
        }
        m_text.swap(out);
    }

private:
    static int ToIndex(size_t pos) {
        return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
    }

    std::wstring m_text;
};

// Lists the entries matching a name pattern. FindFile opens the listing; each FindNextFile
// makes the next entry current and answers whether another one follows, so the last entry is
// current when it returns FALSE.
class CFileFind : public CObject {
public:
    CFileFind() = default;
    ~CFileFind() override { Close(); }

    // Opens the listing of the pattern ("*.*" when null); FALSE when nothing matches or the
    // pattern has MAX_PATH or more characters.
    virtual BOOL FindFile(const wchar_t* name = nullptr, DWORD unused = 0) {
        (void)unused;
        Close();
        if (!name)
            name = L"*.*";
        if (wcslen(name) >= MAX_PATH) {
            ::SetLastError(ERROR_BAD_ARGUMENTS);
            return FALSE;
        }
        m_find = ::FindFirstFileW(name, &m_next);
        return m_find != INVALID_HANDLE_VALUE;
    }
    virtual BOOL FindNextFile() {
        if (m_find == INVALID_HANDLE_VALUE)
            return FALSE;
        m_found = m_next;
        m_hasFound = true;
        return ::FindNextFileW(m_find, &m_next);
    }
    // True when the current entry is the directory "." or "..".
    virtual BOOL IsDots() const {
        if (!MatchesMask(FILE_ATTRIBUTE_DIRECTORY))
            return FALSE;
        const wchar_t* name = m_found.cFileName;
        return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
    }
    // True when the current entry has any of the attribute bits of the mask.
    BOOL MatchesMask(DWORD mask) const { return m_hasFound && (m_found.dwFileAttributes & mask); }
    void Close() {
        if (m_find != INVALID_HANDLE_VALUE)
            ::FindClose(m_find);
        m_find = INVALID_HANDLE_VALUE;
        m_hasFound = false;
    }

private:
    HANDLE m_find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_found = {};
    WIN32_FIND_DATAW m_next = {};
    bool m_hasFound = false;
};
