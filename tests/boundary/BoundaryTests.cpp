// Out of memory at every export of tarnUtil.dll: each call is repeated with its 1st, 2nd, ...
// allocation failed (any operator new of the process, the library's C allocations) until it
// completes. No exception may leave the library, and each result must be the call's failure
// result or the result it gives without a failure. The table holds a row for every function
// the library exports; this program does not compile while an export lacks one.
#include "tuContainers.h"
#include "tuFileSys.h"
#include "tuFrame.h"
#include "tuGraphics.h"
#include "tuHooks.h"
#include "tuLocal.h"
#include "tuSettings.h"
#include "tuText.h"
#include "tuUICall.h"

#include "AllocSeam.h"
#include "ExportNames.h"
#include "TestSupport.h"
#include "common/Boundary.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

#include <cstdarg>
#include <cstdlib>
#include <stdexcept>

namespace {

const long long kAny = -12345; // the call has no result of its own that tells a failure

struct Row {
    const char* name; // as the export list's names read in C++
    long long failure;
    long long (*call)(); // null: the function allocates nothing
    // A constructor has no result: it reports memory running out with std::bad_alloc, as new
    // does, and no other exception.
    bool constructor = false;
};

long long Value(long long value) {
    return value;
}
long long Value(const void* pointer) {
    return pointer != nullptr;
}
long long Value(const CString& text) {
    return text.GetLength();
}

struct Call : utl::CUICall {
    void Execute() override {}
};
struct Listener : utl::CUIListener {
    Listener() = default;
    explicit Listener(const utl::CEventSource& source) : utl::CUIListener(source) {}
    using utl::CUIListener::Work;
    void WorkUI(unsigned, unsigned, boost::any const&) override {}
};
struct Handler : utl::CEventHandler {
    void On(utl::CMsgCenter const&, int, int, boost::any const&) {}
};
const auto kOn = static_cast<utl::CMsgCenter::tHandlerFn>(&Handler::On);

// Opens the manager's inner steps, which its own functions take one by one.
struct Resources : C1fa {
    using C1fa::CalcDllPath;
    using C1fa::CannotLoadResourceDLLWarning;
    using C1fa::FreeResourceDLL;
    using C1fa::LoadResourceDLL;
};

// A path in a buffer of its own, for the functions that edit one in place.
struct Text {
    explicit Text(const wchar_t* text) { wcscpy_s(chars, text); }
    wchar_t chars[MAX_PATH];
};

// What the calls work on, made before allocations are counted.
struct Inputs {
    HMODULE library = ::GetModuleHandleW(L"tarnUtil.dll");
    tutest::TempDir dir;
    const std::wstring file = dir / L"file.txt", folder = dir / L"folder", link = dir / L"l.lnk",
                       none = dir / L"none", sub = folder + L"\\a", deep = folder + L"\\b\\c",
                       deepTop = folder + L"\\b";
    // Seven characters: passed by value without an allocation, which would be the caller's.
    const CString text = L"Tab\tand \u00e9 text", textPath = L"C:\\windows\\system32",
                  shortPath = L"C:\\abcd";
    CString out;
    wchar_t buffer[MAX_PATH];
    Resources resources;
    utl::CGUIDHolder guid{L"{6B29FC40-CA47-1067-B31D-00DD010662DA}"};
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr,
                                    nullptr, nullptr);
    HWND trackbar = ::CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_POPUP, 0, 0, 80, 20, nullptr,
                                      nullptr, nullptr, nullptr);
    HBITMAP bitmap = gtlCreateDIBSection(8, 8, 32, 1, nullptr);
    HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    HDC dc = ::CreateCompatibleDC(nullptr);
    boost::shared_ptr<utl::CUICall> call = boost::make_shared<Call>();
    utl::CMsgCenter center;
    utl::CEventSource source;
    boost::shared_ptr<Handler> handler = boost::make_shared<Handler>();
    boost::weak_ptr<utl::CEventHandler> weakHandler = handler;
    Listener listener;
    utl::CUIMapListener mapListener;
    const boost::any nothing;
    unsigned long passOnHook = 0;
    tm time{0, 30, 12, 24, 11, 126, 0, 0, 0};
};
Inputs* g;

unsigned long CALLBACK Hook(void*, unsigned long, long) {
    return 7;
}
unsigned long CALLBACK PassOn(void* parameter, unsigned long hook, long) {
    return hookCallNext(hook, parameter) + 1;
}
int CALLBACK Visit(void*, unsigned, void*) {
    return 1;
}
int Compare(const void* a, const void* b) {
    return *static_cast<const int*>(a) - *static_cast<const int*>(b);
}

// A chain of three ints (1, 2, 3) and a heap holding one item, made and deleted around `use`.
template <typename Use> long long WithChain(Use use) {
    tagCHAIN chain{};
    InitChain(&chain, sizeof(int), 0, 2, 2);
    for (int item : {1, 2, 3})
        AppendToChain(&item, &chain);
    long long result = use(chain);
    DeleteChain(&chain);
    return result;
}
template <typename Use> long long WithHeap(Use use) {
    tagHEAPMG heap{};
    HeapMgInit(&heap, 0, 16, 16);
    UINT handle = 0;
    HeapMgInsertStr(L"item", &heap, &handle);
    long long result = use(heap, handle);
    HeapMgDelete(&heap);
    return result;
}

#define CALL(...) [] { return Value(__VA_ARGS__); }
#define DONE(...) [] { return (__VA_ARGS__), 0LL; }
#define CHAIN(...) [] { return WithChain([](tagCHAIN& c) { return Value(__VA_ARGS__); }); }
#define HEAP(...)                                                                                  \
    [] {                                                                                           \
        return WithHeap([](tagHEAPMG& h, [[maybe_unused]] UINT s) { return Value(__VA_ARGS__); }); \
    }

const wchar_t* Path(const std::wstring& path) {
    return path.c_str();
}

int FormatThroughList(wchar_t* output, UINT size, ...) {
    va_list arguments;
    va_start(arguments, size);
    int written = lclFormatString(output, size, L"%1", L"s", arguments);
    va_end(arguments);
    return written;
}

constexpr Row kRows[] = {
    // containers: their setup fails too, so only the containers' own test checks results
    {"AppendToChain(void const*, tagCHAIN*)", kAny, CHAIN(AppendToChain(&kAny, &c))},
    {"Buffer2Chain(void const*, unsigned int, tagCHAIN*, unsigned int*)", kAny, CHAIN([&] {
         char bytes[64];
         UINT size = sizeof bytes, used = 0;
         tagCHAIN copy{};
         Chain2Buffer(&c, &size, bytes, size);
         long long result = Buffer2Chain(bytes, size, &copy, &used);
         DeleteChain(&copy);
         return result;
     }())},
    {"Chain2Buffer(tagCHAIN const*, unsigned int*, void*, unsigned int)", kAny, nullptr},
    {"ContentOfChain(tagCHAIN const*, void*)", kAny, nullptr},
    {"ContentOfNthOfChain(unsigned int, tagCHAIN*, void*)", kAny, nullptr},
    {"CopyChain(tagCHAIN const*, tagCHAIN*)", kAny, CHAIN([&] {
         tagCHAIN copy{};
         long long result = CopyChain(&c, &copy);
         DeleteChain(&copy);
         return result;
     }())},
    {"DeleteChain(tagCHAIN*)", kAny, nullptr},
    {"DeleteInChain(tagCHAIN*)", kAny, nullptr},
    {"DoChain(tagCHAIN*, int (*)(void*, unsigned int, void*), void*)", kAny, nullptr},
    {"DoChainRev(tagCHAIN*, int (*)(void*, unsigned int, void*), void*)", kAny, nullptr},
    {"DoChainSpecial(tagCHAIN*, int (*)(void*, unsigned int, void*), void*)", kAny,
     CHAIN(DoChainSpecial(&c, &Visit, nullptr))},
    {"EndOfChain(tagCHAIN*)", kAny, nullptr},
    {"HeapMgCopy(tagHEAPMG const*, tagHEAPMG*)", kAny, HEAP([&] {
         tagHEAPMG copy{};
         long long result = HeapMgCopy(&h, &copy);
         HeapMgDelete(&copy);
         return result;
     }())},
    {"HeapMgDelete(tagHEAPMG*)", kAny, nullptr},
    {"HeapMgDeleteItem(tagHEAPMG*, unsigned int, unsigned int)", kAny, nullptr},
    {"HeapMgDeleteStr(tagHEAPMG*, unsigned int)", kAny, nullptr},
    {"HeapMgInit(tagHEAPMG*, unsigned int, unsigned int, unsigned int)", kAny,
     HEAP(HeapMgStrPtr(&h, s))},
    {"HeapMgInsertItem(void const*, unsigned int, tagHEAPMG*, unsigned int*)", kAny,
     HEAP(HeapMgInsertItem("abc", 3, &h, &s))},
    {"HeapMgInsertStr(wchar_t const*, tagHEAPMG*, unsigned int*)", kAny,
     HEAP(HeapMgInsertStr(L"another", &h, &s))},
    {"HeapMgPointer(tagHEAPMG const*, unsigned int)", kAny, nullptr},
    {"HeapMgStrPtr(tagHEAPMG const*, unsigned int)", kAny, nullptr},
    {"IndexOfChain(tagCHAIN const*)", kAny, nullptr},
    {"InitChain(tagCHAIN*, unsigned int, unsigned int, unsigned int, unsigned int)", kAny,
     CHAIN(LengthOfChain(&c))},
    {"InsertInChain(void const*, tagCHAIN*)", kAny, CHAIN(InsertInChain(&kAny, &c))},
    {"InsertInNthOfChain(unsigned int, void const*, tagCHAIN*)", kAny,
     CHAIN(InsertInNthOfChain(1, &kAny, &c))},
    {"InsertInSortedChain(void const*, tagCHAIN*, int (*)(void const*, void const*), int, void "
     "const*)",
     kAny, CHAIN(InsertInSortedChain(&kAny, &c, &Compare, 0, nullptr))},
    {"IsEmptyChain(tagCHAIN const*)", kAny, nullptr},
    {"LengthOfChain(tagCHAIN const*)", kAny, nullptr},
    {"NextOfChain(tagCHAIN*)", kAny, nullptr},
    {"NthOfChain(unsigned int, tagCHAIN*)", kAny, nullptr},
    {"PreviousOfChain(tagCHAIN*)", kAny, nullptr},
    {"SearchInChain(void const*, tagCHAIN*, int (*)(void const*, void const*))", kAny, nullptr},
    {"SetContentOfChain(tagCHAIN*, void const*)", kAny, nullptr},
    {"SetContentOfNthOfChain(unsigned int, tagCHAIN*, void const*)", kAny, nullptr},
    {"StartOfChain(tagCHAIN*)", kAny, nullptr},
    // frame and localization
    {"C1fa::C1fa()", kAny, nullptr},
    {"C1fa::~C1fa()", kAny, nullptr},
    {"C1fa::CalcDllPath()", 0, CALL(g->resources.CalcDllPath())},
    {"C1fa::CannotLoadResourceDLLWarning(wchar_t const*)", kAny,
     DONE(g->resources.CannotLoadResourceDLLWarning(L"x.1fa"))},
    {"C1fa::FormatString(wchar_t*, unsigned int, wchar_t const*, wchar_t const*, ...)", 0,
     CALL(g->resources.FormatString(g->buffer, MAX_PATH, L"%1 %2", L"sd", L"a", 2))},
    {"C1fa::FreeResourceDLL()", kAny, CALL(g->resources.FreeResourceDLL())},
    {"C1fa::GetLangInst()", kAny, CALL(g->resources.GetLangInst())},
    {"C1fa::GetNeutInst() const", kAny, nullptr},
    {"C1fa::Init(HINSTANCE__*)", kAny, CALL(g->resources.Init(g->library))},
    {"C1fa::LDS(unsigned int)", kAny, CALL(g->resources.LDS(1))},
    {"C1fa::LDSN(unsigned int)", kAny, CALL(g->resources.LDSN(1))},
    {"C1fa::LoadDlgTemplate(unsigned int, unsigned int, int)", kAny,
     CALL(g->resources.LoadDlgTemplate(1, LCL_USER_INPUT_LANG, TRUE))},
    {"C1fa::LoadIDFString(unsigned int, unsigned int, unsigned short*, unsigned int)", kAny,
     CALL(g->resources.LoadIDFString(1, 1, reinterpret_cast<unsigned short*>(g->buffer), 9))},
    {"C1fa::LoadOnFirstNeed()", kAny, CALL(g->resources.GetLangInst())},
    {"C1fa::LoadResourceDLL()", kAny, CALL(g->resources.LoadResourceDLL())},
    {"C1fa::LoadStringW(unsigned int, CString&, unsigned int, int)", 0,
     CALL(g->resources.LoadStringW(1, g->out, LCL_USER_INPUT_LANG, TRUE))},
    {"C1fa::LoadStringW(unsigned int, unsigned short*, unsigned int, unsigned int, int)", kAny,
     CALL(g->resources.LoadStringW(1, reinterpret_cast<unsigned short*>(g->buffer), 9,
                                   LCL_USER_INPUT_LANG, TRUE))},
    {"errOutOfMemMsgBox()", kAny, DONE(errOutOfMemMsgBox())},
    {"lclFindDlgResource(HINSTANCE__*, wchar_t const*, unsigned int, int)", kAny,
     CALL(lclFindDlgResource(g->library, MAKEINTRESOURCEW(1), LCL_USER_INPUT_LANG, TRUE))},
    {"lclFormatString(wchar_t*, unsigned int, HINSTANCE__*, unsigned int, wchar_t const*, ...)",
     0, CALL(lclFormatString(g->buffer, MAX_PATH, g->library, 1, L"s", L"a"))},
    {"lclFormatString(wchar_t*, unsigned int, wchar_t const*, wchar_t const*, ...)", 0,
     CALL(lclFormatString(g->buffer, MAX_PATH, L"%2 %1", L"ss", L"a", L"b"))},
    {"lclFormatString(wchar_t*, unsigned int, wchar_t const*, wchar_t const*, char*)", 0,
     CALL(FormatThroughList(g->buffer, MAX_PATH, L"a"))},
    {"lclGetCPofIdMs(unsigned int)", kAny, nullptr},
    {"lclGetThreadLangID()", kAny, nullptr},
    {"lclGetUserInputThreadLangID()", kAny, nullptr},
    {"lclLoadCustomResource(HINSTANCE__*, unsigned int, wchar_t const*, unsigned long*, unsigned "
     "int, int)",
     0, [] {
         DWORD size = 0;
         void* data = lclLoadCustomResource(g->library, 1, RT_VERSION, &size, 1033, TRUE);
         long long result = Value(data);
         std::free(data);
         return result;
     }},
    {"lclLoadDlgTemplate(HINSTANCE__*, unsigned int, unsigned int, int)", kAny,
     CALL(lclLoadDlgTemplate(g->library, 1, LCL_USER_INPUT_LANG, TRUE))},
    {"lclLoadString(HINSTANCE__*, unsigned int, CString&, unsigned int, int)", 0,
     CALL(lclLoadString(g->library, 1, g->out, LCL_USER_INPUT_LANG, TRUE))},
    {"lclLoadString(HINSTANCE__*, unsigned int, wchar_t*, unsigned int, unsigned int, int)",
     kAny, nullptr},
    {"lclLoadStringW(HINSTANCE__*, unsigned int, wchar_t*, unsigned int, unsigned int, int)",
     kAny, CALL(lclLoadStringW(g->library, 1, g->buffer, MAX_PATH, LCL_USER_INPUT_LANG, TRUE))},
    {"lclSetThreadLangID(unsigned short)", kAny, nullptr},
    {"memGlobalAllocPtr(unsigned int, unsigned long)", 0,
     CALL(memGlobalFreePtr(memGlobalAllocPtr(GMEM_MOVEABLE, 16)) == nullptr)},
    {"memGlobalFreePtr(void*)", kAny, nullptr},
    {"memGlobalReAllocPtr(void*, unsigned long, unsigned int)", 0,
     CALL(memGlobalFreePtr(memGlobalReAllocPtr(memGlobalAllocPtr(0, 8), 64, 0)) == nullptr)},
    // text
    {"cvtFormatDateTime(tm const*, wchar_t*, unsigned int)", kAny,
     DONE(cvtFormatDateTime(&g->time, g->buffer, 0))},
    {"cvtFormatTime(tm const*, wchar_t*)", kAny, DONE(cvtFormatTime(&g->time, g->buffer))},
    {"cvtGetDecimalSeparator()", kAny, nullptr},
    {"cvtString2Double(wchar_t const*, double&)", kAny, [] {
         double value;
         return Value(cvtString2Double(L"-1.5e3", value));
     }},
    {"cvtString2Int64(wchar_t const*, long long&)", kAny, nullptr},
    {"cvtString2Long(wchar_t const*, long&)", kAny, nullptr},
    {"cvtString2UInt64(wchar_t const*, unsigned long long&)", kAny, nullptr},
    {"hashMD5(void const*, unsigned int)", 0, [] {
         wchar_t* digest = hashMD5("abc", 3);
         long long result = Value(digest);
         std::free(digest);
         return result;
     }},
    {"strFriendlify(CString const&, CString&)", 0, CALL(strFriendlify(g->text, g->out))},
    {"strFriendlify(wchar_t const*, wchar_t*, unsigned int)", kAny, nullptr},
    {"strHex2Mem(wchar_t const*, void*, unsigned int)", kAny, nullptr},
    {"strMem2Hex(void const*, unsigned int, CString&)", 0, CALL(strMem2Hex("abc", 3, g->out))},
    {"strUnfriendlify(CString const&, CString&)", 0, CALL(strUnfriendlify(g->text, g->out))},
    {"strUnfriendlify(wchar_t const*, wchar_t*, unsigned int)", kAny, nullptr},
    {"utl::CGUIDHolder::CGUIDHolder()", kAny, nullptr},
    {"utl::CGUIDHolder::CGUIDHolder(_GUID const&)", kAny, nullptr},
    {"utl::CGUIDHolder::CGUIDHolder(wchar_t const*)", kAny,
     CALL(utl::CGUIDHolder(L"{6B29FC40-CA47-1067-B31D-00DD010662DA}").GetUID())},
    {"utl::CGUIDHolder::GetNewUID()", kAny, CALL(g->guid.GetNewUID())},
    {"utl::CGUIDHolder::GetStringNewUID()", 0, CALL(g->guid.GetStringNewUID())},
    {"utl::CGUIDHolder::GetStringUID() const", 0, CALL(g->guid.GetStringUID())},
    {"utl::CGUIDHolder::GetUID() const", kAny, nullptr},
    {"utl::CGUIDHolder::SetNewUID()", kAny, DONE(g->guid.SetNewUID())},
    {"utl::CGUIDHolder::SetUID(_GUID const*)", kAny, nullptr},
    {"utl::CGUIDHolder::SetUID(wchar_t const*)", kAny,
     DONE(g->guid.SetUID(L"{6B29FC40-CA47-1067-B31D-00DD010662DA}"))},
    // hooks (13500: an id of this program's own)
    {"hookCallFirst(unsigned int, void*)", kAny, CALL(hookCallFirst(13500, nullptr))},
    {"hookCallFirstInUI(unsigned int, void*)", kAny, CALL(hookCallFirstInUI(13500, nullptr))},
    {"hookCallNext(unsigned long, void*)", kAny, CALL(hookCallFirst(13500, nullptr))},
    {"hookCallThisOne(unsigned long, void*)", kAny, CALL(hookCallThisOne(g->passOnHook, nullptr))},
    {"hookCreateID(wchar_t const*)", 0, CALL(hookCreateID(L"boundary") != 0)},
    {"hookDeleteID(wchar_t const*)", 0, CALL(hookCreateID(L"gone") && hookDeleteID(L"gone"))},
    {"hookExit(unsigned int)", kAny,
     CALL((hookSetDefault(13501, reinterpret_cast<void*>(&Hook), 0), hookExit(13501)))},
    {"hookFindID(wchar_t const*)", kAny, CALL(hookFindID(L"boundary"))},
    {"hookGetFirst(unsigned int, void**, unsigned long*, long*)", kAny,
     CALL(hookGetFirst(13500, nullptr, nullptr, nullptr))},
    {"hookIsCommonID(unsigned int)", kAny, nullptr},
    {"hookRemove(unsigned long)", 0,
     CALL(hookRemove(hookSet(13500, reinterpret_cast<void*>(&Hook), 0, 0)))},
    {"hookSet(unsigned int, void*, unsigned long, long)", 0,
     CALL(hookRemove(hookSet(13500, reinterpret_cast<void*>(&Hook), 0, 0)))},
    {"hookSetDefault(unsigned int, void*, unsigned long)", 0,
     CALL(hookSetDefault(13500, reinterpret_cast<void*>(&Hook), 0))},
    // UI calls and listeners
    {"utl::AddUIListener(utl::CMsgCenter&, int, boost::weak_ptr<utl::CEventHandler> const&, void "
     "(utl::CEventHandler::*)(utl::CMsgCenter const&, int, int, boost::any const&))",
     kAny, DONE(utl::AddUIListener(g->center, 1, g->weakHandler, kOn))},
    {"utl::AddUIListener(utl::CMsgCenter&, int, int, boost::weak_ptr<utl::CEventHandler> const&, "
     "void (utl::CEventHandler::*)(utl::CMsgCenter const&, int, int, boost::any const&))",
     kAny, DONE(utl::AddUIListener(g->center, 1, 2, g->weakHandler, kOn))},
    {"utl::CUICall::CUICall()", kAny, nullptr},
    {"utl::CUICall::CUICall(utl::CUICall const&)", kAny, nullptr},
    {"utl::CUICall::operator=(utl::CUICall const&)", kAny, nullptr},
    {"utl::CUICall::~CUICall()", kAny, nullptr},
    {"utl::CUIListener::CUIListener(unsigned long)", kAny, DONE(Listener()), true},
    {"utl::CUIListener::CUIListener(utl::CEventSource const&, unsigned long)", kAny,
     DONE(Listener(g->source)), true},
    {"utl::CUIListener::Work(unsigned int, unsigned int, boost::any const&)", kAny,
     DONE(g->listener.Work(1, 2, g->nothing))},
    {"utl::CUIListener::~CUIListener()", kAny, nullptr},
    {"utl::CUIMapListener::CUIMapListener(unsigned long)", kAny, DONE(utl::CUIMapListener()),
     true},
    {"utl::CUIMapListener::CUIMapListener(utl::CEventSource const&, unsigned long)", kAny,
     DONE(utl::CUIMapListener(g->source)), true},
    {"utl::CUIMapListener::Work(unsigned int, unsigned int, boost::any const&)", kAny,
     DONE(g->mapListener.Work(1, 2, g->nothing))},
    {"utl::CUIMapListener::WorkUI(unsigned int, unsigned int, boost::any const&)", kAny,
     DONE(g->mapListener.Work(1, 2, g->nothing))}, // WorkUI runs in the UI thread
    {"utl::CUIMapListener::~CUIMapListener()", kAny, nullptr},
    {"utl::CallInUIThread(boost::shared_ptr<utl::CUICall>, unsigned long)", 0,
     CALL(utl::CallInUIThread(g->call, 1000))},
    {"utl::RemoveUIListener(utl::CMsgCenter&, boost::weak_ptr<utl::CEventHandler> const&)", kAny,
     DONE(utl::AddUIListener(g->center, 3, g->weakHandler, kOn),
          utl::RemoveUIListener(g->center, g->weakHandler))},
    // settings, program and event log
    {"iniGetDefaultFileName(int)", kAny, nullptr},
    {"iniGetDouble(wchar_t const*, wchar_t const*, double, wchar_t const*, HINSTANCE__*, int*)",
     kAny, CALL(static_cast<long long>(iniGetDouble(L"s", L"d", 2.5, Path(g->file))))},
    {"iniGetInt(wchar_t const*, wchar_t const*, int, wchar_t const*, HINSTANCE__*, int*)", kAny,
     CALL(iniGetInt(L"s", L"i", 0, Path(g->file)))},
    {"iniGetString(wchar_t const*, wchar_t const*, wchar_t const*, wchar_t*, unsigned long, "
     "wchar_t const*, HINSTANCE__*, int*)",
     kAny, CALL(iniGetString(L"s", L"t", L"-", g->buffer, MAX_PATH, Path(g->file)))},
    {"iniGetStruct(wchar_t const*, wchar_t const*, void*, unsigned int, wchar_t const*, "
     "HINSTANCE__*, int*)",
     0, CALL(iniGetStruct(L"s", L"r", g->buffer, 2, Path(g->file)))},
    {"iniSetDefaultFileName(int, wchar_t const*)", kAny, CALL(iniSetDefaultFileName(0, nullptr))},
    {"iniWriteDouble(wchar_t const*, wchar_t const*, double, wchar_t const*, HINSTANCE__*)", 0,
     CALL(iniWriteDouble(L"s", L"d", 1.5, Path(g->file)))},
    {"iniWriteInt(wchar_t const*, wchar_t const*, int, wchar_t const*, HINSTANCE__*)", 0,
     CALL(iniWriteInt(L"s", L"i", 3, Path(g->file)))},
    {"iniWriteString(wchar_t const*, wchar_t const*, wchar_t const*, wchar_t const*, "
     "HINSTANCE__*)",
     0, CALL(iniWriteString(L"s", L"t", L"text", Path(g->file)))},
    {"iniWriteStruct(wchar_t const*, wchar_t const*, void const*, unsigned int, wchar_t const*, "
     "HINSTANCE__*)",
     0, CALL(iniWriteStruct(L"s", L"r", "ab", 2, Path(g->file)))},
    {"ssnExitEventLog()", kAny, DONE(ssnExitEventLog())},
    {"ssnGetDataDir(int)", 0, CALL(ssnGetDataDir(0))},
    {"ssnGetExeName()", kAny, CALL(ssnGetExeName())},
    {"ssnGetExeString(unsigned int)", kAny, CALL(ssnGetExeString(1))},
    {"ssnGetUserInputThreadID()", kAny, nullptr},
    {"ssnInitEventLog(wchar_t const*)", kAny, CALL(ssnInitEventLog(L"boundary"))},
    {"ssnIsServer()", kAny, nullptr},
    {"ssnSetDataDir(int, wchar_t const*)", kAny, DONE(ssnSetDataDir(0, Path(g->folder)))},
    {"ssnSetIsServer(int)", kAny, nullptr},
    {"ssnWriteToEventLog(unsigned short, wchar_t const*, ...)", kAny,
     CALL(ssnWriteToEventLog(1, L"%s %d", L"text", 2))},
    {"utl::CEventLog::CEventLog()", kAny, nullptr},
    {"utl::CEventLog::Exit()", kAny, nullptr},
    {"utl::CEventLog::Init(wchar_t const*)", kAny, [] {
         utl::CEventLog log;
         return Value(log.Init(L"boundary"));
     }},
    {"utl::CEventLog::ReleaseLibraryLocked()", kAny, nullptr},
    {"utl::CEventLog::Write(unsigned short, wchar_t const*)", kAny, nullptr},
    {"utl::CEventLog::~CEventLog()", kAny, nullptr},
    // file system
    {"osAppendBackslash(wchar_t*)", kAny, nullptr},
    {"osAppendBackslashStr(CString)", 0, CALL(osAppendBackslashStr(g->shortPath))},
    {"osChDriveDir(wchar_t const*)", kAny, CALL(osChDriveDir(Path(g->dir.Path())))},
    {"osCreatePath(wchar_t const*, wchar_t const*)", 0, CALL(osCreatePath(L"C:\\a", L"b"))},
    {"osCreateShortcut(wchar_t const*, wchar_t const*, wchar_t const*)", 0,
     CALL(osCreateShortcut(Path(g->file), Path(g->link), L"link"))},
    {"osCvtToLongFileName(wchar_t*, unsigned long)", kAny,
     CALL(osCvtToLongFileName(Text(L"C:\\windows\\system32").chars, MAX_PATH))},
    {"osCvtToUNCPath(CString const&, CString&)", 0, CALL(osCvtToUNCPath(g->textPath, g->out))},
    {"osDeleteBackslash(wchar_t*)", kAny, nullptr},
    {"osDeleteFileEx(wchar_t const*)", kAny, CALL(osDeleteFileEx(Path(g->none)))},
    {"osExistsDir(wchar_t const*)", kAny, CALL(osExistsDir(Path(g->dir.Path())))},
    {"osExistsFile(wchar_t const*)", kAny, CALL(osExistsFile(Path(g->file)))},
    {"osExistsPath(wchar_t const*)", kAny, CALL(osExistsPath(Path(g->file)))},
    {"osFullPath(wchar_t*, wchar_t const*, unsigned long)", 0,
     CALL(osFullPath(g->buffer, L"a\\..\\b", MAX_PATH))},
    {"osGetAccess(wchar_t const*, int)", kAny, CALL(osGetAccess(Path(g->file), 0))},
    {"osGetDiskFreeSpace(wchar_t const*)", kAny, CALL(osGetDiskFreeSpace(L"C:\\") > 0)},
    {"osGetFileExt(wchar_t const*, wchar_t const**)", kAny, nullptr},
    {"osGetFileInformation(wchar_t const*, _WIN32_FIND_DATAW&)", kAny, [] {
         WIN32_FIND_DATAW info;
         return Value(osGetFileInformation(Path(g->file), info));
     }},
    {"osGetFileSize(wchar_t const*)", kAny, CALL(osGetFileSize(Path(g->file)))},
    {"osGetModuleFileName(HINSTANCE__*, wchar_t*, unsigned long)", kAny,
     CALL(osGetModuleFileName(g->library, g->buffer, MAX_PATH))},
    {"osGetVersionInfo(wchar_t const*, unsigned long*, unsigned long*, HINSTANCE__*)", 0, [] {
         DWORD high, low;
         return Value(osGetVersionInfo(L"tarnUtil.dll", &high, &low, nullptr));
     }},
    {"osIsAbsPath(wchar_t const*)", kAny, nullptr},
    {"osIsDirEmtpy(wchar_t const*)", kAny, CALL(osIsDirEmtpy(Path(g->dir.Path())))},
    {"osIsNT()", kAny, nullptr},
    {"osIsReservedFileName(wchar_t const*)", kAny, nullptr},
    {"osIsRootDir(wchar_t const*)", kAny, nullptr},
    {"osIsUNCPath(wchar_t const*)", kAny, nullptr},
    {"osIsWin2000(int)", kAny, nullptr},
    {"osIsWinVista(int)", kAny, nullptr},
    {"osIsWinXP(int)", kAny, nullptr},
    {"osMakeCommdlgDir(wchar_t*)", kAny, CALL(osMakeCommdlgDir(Text(Path(g->sub)).chars))},
    {"osMakeDir(wchar_t const*)", 0, CALL((osRemoveDir(Path(g->sub)), osMakeDir(Path(g->sub))))},
    {"osMakeDirEx(wchar_t const*)", 0,
     CALL((osRemoveDirEx(Path(g->deepTop), TRUE, FALSE), osMakeDirEx(Path(g->deep))))},
    {"osReadableFile(wchar_t const*)", kAny, CALL(osReadableFile(Path(g->file)))},
    {"osRemoveDir(wchar_t const*)", kAny, CALL(osRemoveDir(Path(g->none)))},
    {"osRemoveDirAndSubDirs(wchar_t const*, int)", 0,
     CALL((osMakeDirEx(Path(g->deep)), osRemoveDirAndSubDirs(Path(g->deepTop), FALSE)))},
    {"osRemoveDirEx(wchar_t const*, int, int)", 0,
     CALL((osMakeDirEx(Path(g->deep)), osRemoveDirEx(Path(g->deepTop), TRUE, FALSE)))},
    {"osResolveShortcut(HWND__*, wchar_t const*, wchar_t*, int)", 0,
     CALL(osResolveShortcut(nullptr, Path(g->link), g->buffer, MAX_PATH))},
    // graphics
    {"gtlAlphaBlend(HDC__*, int, int, HBITMAP__*, unsigned char)", kAny,
     CALL(gtlAlphaBlend(g->dc, 0, 0, g->bitmap, 128))},
    {"gtlAlphaBlendRect(HDC__*, CRect, HBITMAP__*, CRect, unsigned char)", kAny,
     CALL(gtlAlphaBlendRect(g->dc, CRect(0, 0, 4, 4), g->bitmap, CRect(0, 0, 8, 8), 128))},
    {"gtlCalcAlphaBmp(HBITMAP__*)", 0, CALL(::DeleteObject(gtlCalcAlphaBmp(g->bitmap)))},
    {"gtlCopyRGBBmpToClipboard(HBITMAP__*, int, int)", kAny, nullptr},
    {"gtlCreateDIBSection(long, long, unsigned short, unsigned short, void**)", 0,
     CALL(::DeleteObject(gtlCreateDIBSection(4, 4, 32, 1, nullptr)))},
    {"gtlCreateShadow(HWND__*)", kAny, DONE(gtlCreateShadow(g->window))},
    {"gtlGetSetLayeredWindowAttributes()", kAny, nullptr},
    {"gtlMergeBitmaps(HBITMAP__*, HBITMAP__*, int, int, unsigned long, unsigned long)", 0,
     CALL(::DeleteObject(gtlMergeBitmaps(g->bitmap, g->bitmap, 1, 1, 0, 0)))},
    {"gtlMergeIcon(HICON__*, HICON__*)", 0, CALL(::DestroyIcon(gtlMergeIcon(g->icon, g->icon)))},
    {"gtlSetDefaultThumbLength(HWND__*, int)", kAny,
     DONE(gtlSetDefaultThumbLength(g->trackbar, FALSE))},
    {"gtlSetWindowTransparency(HWND__*, unsigned char)", kAny,
     CALL(gtlSetWindowTransparency(g->window, 200))},
    {"icoGetFileIcon(wchar_t const*, int)", 0,
     CALL(::DestroyIcon(icoGetFileIcon(Path(g->file), TRUE)))},
    {"icoIcon2Bmp(HICON__*)", 0, CALL(::DeleteObject(icoIcon2Bmp(g->icon)))},
};

constexpr bool Same(const char* a, const char* b) {
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// The index in ExportNames.h of the first export without a row, or -1.
constexpr int FirstExportWithoutRow() {
    for (int i = 0; i < static_cast<int>(std::size(kExportNames)); ++i) {
        bool found = false;
        for (const Row& row : kRows)
            found = found || Same(row.name, kExportNames[i]);
        if (!found)
            return i;
    }
    return -1;
}
static_assert(FirstExportWithoutRow() == -1,
              "an export has no row in kRows; the note gives its index in ExportNames.h");

// Closes every message box the library shows (the out-of-memory box among them) at once,
// without allocating: the hook runs while allocations fail.
LRESULT CALLBACK CloseBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE)
        ::PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// One call with its failAt-th allocation failed (0: none).
struct Outcome {
    bool returned = false; // no exception left the call
    bool badAlloc = false; // the exception that left it was std::bad_alloc
    bool failed = false;   // the chosen allocation happened
    long long result = 0;
};

Outcome CallFailing(const Row& row, unsigned failAt) {
    Outcome outcome;
    allocseam::Reset(failAt);
    try {
        outcome.result = row.call();
        outcome.returned = true;
    } catch (const std::bad_alloc&) {
        outcome.badAlloc = true;
    } catch (...) {
    }
    outcome.failed = allocseam::Failed();
    allocseam::Reset(0);
    return outcome;
}

TEST(Boundary, NoExceptionLeavesAnExportWhenMemoryRunsOut) {
    Inputs inputs;
    g = &inputs;
    inputs.dir.WriteFile(L"file.txt", "[s]\r\ni=5\r\nt=text\r\nd=1.5\r\nr=6162\r\n");
    HHOOK boxes = ::SetWindowsHookExW(WH_CBT, &CloseBoxes, nullptr, ::GetCurrentThreadId());
    hookSetDefault(13500, reinterpret_cast<void*>(&Hook), 0);
    inputs.passOnHook = hookSet(13500, reinterpret_cast<void*>(&PassOn), 0, 0);
    allocseam::CountProcessAllocations();
    for (const Row& row : kRows) {
        if (!row.call)
            continue;
        SCOPED_TRACE(row.name);
        const Outcome success = CallFailing(row, 0);
        ASSERT_TRUE(success.returned) << "throws without a failure";
        bool escaped = false;
        for (unsigned failAt = 1;; ++failAt) {
            const Outcome outcome = CallFailing(row, failAt);
            escaped = escaped || !outcome.returned;
            EXPECT_TRUE(outcome.returned || (row.constructor && outcome.badAlloc))
                << "exception with allocation " << failAt << " failed";
            if (!outcome.failed) {
                EXPECT_EQ(outcome.result, success.result) << "completed after " << failAt - 1;
                break;
            }
            if (outcome.returned && row.failure != kAny && outcome.result != success.result) {
                EXPECT_EQ(outcome.result, row.failure) << "allocation " << failAt << " failed";
            }
        }
        EXPECT_TRUE(escaped || !row.constructor) << "a constructor that cannot fail";
    }
    ::UnhookWindowsHookEx(boxes);
}

// The helper itself: the library's own exceptions become the failure result, a caller's pass.
TEST(Boundary, CallerExceptionsPassTheBoundary) {
    EXPECT_EQ(tu::Guarded(-1, []() -> int { throw std::bad_alloc(); }), -1);
    EXPECT_EQ(tu::Guarded(-1, []() -> int { throw std::length_error("long"); }), -1);
    EXPECT_EQ(tu::Guarded(-1, [] { return 5; }), 5);
    EXPECT_THROW(
        tu::Guarded(-1, [] { return tu::CallerCode([]() -> int { throw std::bad_alloc(); }); }),
        std::bad_alloc);
    EXPECT_THROW(tu::Guarded(-1, []() -> int { throw 42; }), int);
}

} // namespace
