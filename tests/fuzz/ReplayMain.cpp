// The main of a fuzz target where there is no libFuzzer (g++ builds): runs the target once over
// every file named and every file of the directories named, in name order, and ends. A broken
// invariant ends the process as it would end a fuzzing run, so a test that replays a corpus
// fails on the input that breaks. The run works in a private temporary directory, which is also
// its TMPDIR, and removes it at the end.
//
//   fuzz_target PATH...

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace {

/** The inputs a path names: the file itself, or the regular files of the directory sorted by name. */
bool collectInputs(const fs::path& path, std::vector<fs::path>& inputs)
{
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        inputs.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, error)) {
        std::fprintf(stderr, "replay: %s is neither a file nor a directory\n", path.c_str());
        return false;
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
        if (entry.is_regular_file())
            found.push_back(entry.path());
    if (error) {
        std::fprintf(stderr, "replay: cannot list %s: %s\n", path.c_str(), error.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
    return true;
}

bool readInput(const fs::path& path, std::string& bytes)
{
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad() && file.is_open();
}

/** A fresh directory under the caller's TMPDIR that becomes the TMPDIR and working directory of the run. */
fs::path enterPrivateDirectory()
{
    const char* outer = std::getenv("TMPDIR");
    std::string pattern = std::string(outer && *outer ? outer : "/tmp") + "/telvor-replay-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("replay: cannot create a temporary directory");
        std::exit(2);
    }
    if (::setenv("TMPDIR", pattern.c_str(), 1) != 0 || ::chdir(pattern.c_str()) != 0) {
        std::perror("replay: cannot work in the temporary directory");
        std::exit(2);
    }
    return pattern;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-DIRECTORY...\n", argv[0]);
        return 2;
    }
    // Relative paths are the caller's: made absolute before the run moves away.
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i)
        if (!collectInputs(fs::absolute(argv[i]), inputs))
            return 2;
    // A corpus that is gone must not pass as replayed.
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no input found\n");
        return 2;
    }

    const fs::path privateDirectory = enterPrivateDirectory();
    for (const fs::path& input : inputs) {
        std::string bytes;
        if (!readInput(input, bytes)) {
            std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
            return 2;
        }
        std::fprintf(stderr, "replay: %s (%zu bytes)\n", input.c_str(), bytes.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replay: %zu inputs, no invariant broken\n", inputs.size());

    std::error_code error;
    if (::chdir("/") != 0 || fs::remove_all(privateDirectory, error) == static_cast<std::uintmax_t>(-1))
        std::fprintf(stderr, "replay: cannot remove %s\n", privateDirectory.c_str());
    return 0;
}
