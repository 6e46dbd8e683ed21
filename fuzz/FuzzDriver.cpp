// Runs every fuzz target (or the one named) on its seed corpus and then on a bounded number of
// mutations of it (a costly target on a share of that number), each input in a buffer that ends at
// an inaccessible page. When a check fails or the program faults, the input is saved as
// fuzz-failure-<target> in the working folder and the program stops with the fault's code.
//   fuzzDriver --corpus <folder> [--runs N | --seconds S] [--seed N] [--target name] [file...]
// Files after the options are run once each against the named target (to replay a failure).
#include "FuzzSupport.h"

#include <windows.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

// Each target's file is built with LLVMFuzzerTestOneInput renamed to fuzz_<target>.
#define FUZZ_TARGET(name, divisor)                                                                 \
    extern "C" int fuzz_##name(const std::uint8_t* data, std::size_t size);
#include "FuzzTargets.inc"
#undef FUZZ_TARGET

namespace {

using Input = std::vector<std::uint8_t>;
using TargetFunction = int (*)(const std::uint8_t*, std::size_t);

struct Target {
    const char* name;
    TargetFunction run;
    unsigned long divisor; // runs a costly target's inputs in this share of the count asked
};

#define FUZZ_TARGET(name, divisor) {#name, &fuzz_##name, divisor},
const Target kTargets[] = {
#include "FuzzTargets.inc"
};
#undef FUZZ_TARGET

constexpr std::size_t kMaxInput = 4096;

// Tokens that the inputs' parsers give meaning to, inserted whole by the mutator.
const char* const kTokens[] = {"\\",
                               "\\\\",
                               ":",
                               ".",
                               "..",
                               "%",
                               "%1",
                               "%%",
                               "$",
                               "\xC2\xA7",
                               "~",
                               "~1",
                               "-",
                               "+",
                               "e",
                               "E",
                               "0x",
                               "\t",
                               " ",
                               "\r\n",
                               "[",
                               "]",
                               "=",
                               "con",
                               "lpt1",
                               "clock$",
                               "C:",
                               "C:\\",
                               "\xE2\x82\xAC",
                               "\xC3\xA4",
                               "\xED\xA0\x80",
                               "\xF0\x9F\x98\x80",
                               "9223372036854775808",
                               "4294967295",
                               "1e308",
                               "nan",
                               "\x01",
                               "\xFF\xFE",
                               "AB",
                               "ff"};

// What the fault handlers need: the target and input being run.
struct Current {
    const char* target = "";
    const Input* input = nullptr;
} g_current;

void SaveCurrentInput() {
    const std::string name = std::string("fuzz-failure-") + g_current.target;
    if (FILE* file = std::fopen(name.c_str(), "wb")) {
        if (g_current.input && !g_current.input->empty())
            std::fwrite(g_current.input->data(), 1, g_current.input->size(), file);
        std::fclose(file);
    }
    std::fprintf(stderr, "fuzz: target %s failed on the input saved as %s (%zu bytes):\n",
                 g_current.target, name.c_str(), g_current.input ? g_current.input->size() : 0);
    if (g_current.input)
        for (std::uint8_t byte : *g_current.input)
            std::fprintf(stderr, "%02x", byte);
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
}

LONG WINAPI OnFault(EXCEPTION_POINTERS* fault) {
    const EXCEPTION_RECORD& record = *fault->ExceptionRecord;
    std::fprintf(stderr, "fuzz: exception 0x%08lx at %p", record.ExceptionCode,
                 record.ExceptionAddress);
    if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2)
        std::fprintf(stderr, " (%s %p)", record.ExceptionInformation[0] ? "writing" : "reading",
                     reinterpret_cast<void*>(record.ExceptionInformation[1]));
    std::fprintf(stderr, "\n");
    SaveCurrentInput();
    ::TerminateProcess(::GetCurrentProcess(), record.ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Stack canaries and bounds-checked calls end in abort().
void OnAbort(int) {
    std::fprintf(stderr, "fuzz: abort\n");
    SaveCurrentInput();
    ::TerminateProcess(::GetCurrentProcess(), 3);
}

void Run(const Target& target, const Input& input) {
    g_current.input = &input;
    // The input ends where an inaccessible page begins.
    tufuzz::Guarded<std::uint8_t> placed(input.data(), input.size());
    target.run(placed.data(), placed.size());
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : m_random(seed) {}

    Input Mutate(const std::vector<Input>& corpus, const std::vector<Input>& recent) {
        const bool fromRecent = !recent.empty() && Below(3) == 0;
        Input input = fromRecent ? recent[Below(recent.size())] : corpus[Below(corpus.size())];
        const std::size_t steps = 1 + Below(4);
        for (std::size_t i = 0; i < steps; ++i)
            Step(input, corpus);
        if (input.size() > kMaxInput)
            input.resize(kMaxInput);
        return input;
    }

private:
    std::size_t Below(std::size_t bound) { return bound ? m_random() % bound : 0; }

    void Step(Input& input, const std::vector<Input>& corpus) {
        const std::size_t at = Below(input.size() + 1);
        switch (Below(8)) {
        case 0: // flip a bit
            if (!input.empty())
                input[Below(input.size())] ^= std::uint8_t(1u << Below(8));
            break;
        case 1: // a random byte
            if (!input.empty())
                input[Below(input.size())] = std::uint8_t(m_random());
            break;
        case 2: // insert a byte
            input.insert(input.begin() + at, std::uint8_t(m_random()));
            break;
        case 3: { // delete a range
            const std::size_t count = std::min(input.size() - std::min(at, input.size()), Below(8));
            input.erase(input.begin() + at, input.begin() + at + count);
            break;
        }
        case 4: { // insert a token
            const char* token = kTokens[Below(std::size(kTokens))];
            input.insert(input.begin() + at, token, token + std::strlen(token));
            break;
        }
        case 5: { // repeat a range
            if (input.empty())
                break;
            const std::size_t from = Below(input.size());
            const std::size_t count = 1 + Below(std::min<std::size_t>(input.size() - from, 64));
            const Input piece(input.begin() + from, input.begin() + from + count);
            input.insert(input.begin() + at, piece.begin(), piece.end());
            break;
        }
        case 6: { // splice in part of another input
            const Input& other = corpus[Below(corpus.size())];
            const std::size_t from = Below(other.size() + 1);
            input.insert(input.begin() + at, other.begin() + from,
                         other.begin() + from + Below(other.size() - from + 1));
            break;
        }
        default: // cut the end
            input.resize(at);
            break;
        }
    }

    std::mt19937 m_random;
};

std::vector<Input> LoadCorpus(const std::string& folder) {
    std::vector<Input> corpus;
    WIN32_FIND_DATAA found;
    const HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return corpus;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::ifstream file(folder + "\\" + found.cFileName, std::ios::binary);
        corpus.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    return corpus;
}

struct Options {
    std::string corpus = "corpus";
    std::string only;
    unsigned long runs = 20000;
    double seconds = 0;
    unsigned seed = 1;
    std::vector<std::string> files;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--corpus" && hasValue)
            options.corpus = argv[++i];
        else if (arg == "--target" && hasValue)
            options.only = argv[++i];
        else if (arg == "--runs" && hasValue)
            options.runs = std::strtoul(argv[++i], nullptr, 10);
        else if (arg == "--seconds" && hasValue)
            options.seconds = std::strtod(argv[++i], nullptr);
        else if (arg == "--seed" && hasValue)
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else
            options.files.push_back(arg);
    }
    return options;
}

// The seeds once each, then mutations until the count or the time is spent.
unsigned long Fuzz(const Target& target, const Options& options) {
    std::vector<Input> corpus = LoadCorpus(options.corpus + "\\" + target.name);
    if (corpus.empty())
        corpus.emplace_back();
    for (const Input& seed : corpus)
        Run(target, seed);
    Mutator mutator(options.seed);
    std::vector<Input> recent;
    const auto start = std::chrono::steady_clock::now();
    unsigned long runs = 0;
    for (;; ++runs) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (options.seconds > 0 ? elapsed >= options.seconds
                                : runs >= options.runs / target.divisor)
            break;
        Input input = mutator.Mutate(corpus, recent);
        Run(target, input);
        // Recent mutants serve as bases too, so that mutations can build on each other.
        if (recent.size() < 64)
            recent.push_back(std::move(input));
        else
            recent[runs % 64] = std::move(input);
    }
    return corpus.size() + runs;
}

} // namespace

int main(int argc, char** argv) {
    ::SetUnhandledExceptionFilter(&OnFault);
    std::signal(SIGABRT, &OnAbort);
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const Options options = Parse(argc, argv);
    int matched = 0;
    for (const Target& target : kTargets) {
        if (!options.only.empty() && options.only != target.name)
            continue;
        ++matched;
        g_current.target = target.name;
        if (!options.files.empty()) {
            for (const std::string& name : options.files) {
                std::ifstream file(name, std::ios::binary);
                Run(target,
                    Input(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
            }
            continue;
        }
        const auto start = std::chrono::steady_clock::now();
        const unsigned long inputs = Fuzz(target, options);
        std::printf(
            "%-14s %8lu inputs %7.1f s\n", target.name, inputs,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        std::fflush(stdout);
    }
    if (matched == 0) {
        std::fprintf(stderr, "fuzz: no target named %s\n", options.only.c_str());
        return 2;
    }
    return 0;
}
