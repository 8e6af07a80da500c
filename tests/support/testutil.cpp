#include "support/testutil.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace lorix::test {

TempDir::TempDir()
{
    std::string tmpl = (fs::temp_directory_path() / "lorix-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f << bytes;
    if (!f)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    if (!f)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

bool Exists(const std::string& path) { return fs::exists(path); }

std::set<std::string> TempFiles(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().find(".tmp") != std::string::npos)
            names.insert(e.path().filename().string());
    return names;
}

CommandOutput RunCommand(const std::string& shellCommand)
{
    CommandOutput r;
    FILE* p = popen(shellCommand.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        r.out.append(buf, n);
    const int status = pclose(p);
    r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string CorpusFile(const std::string& relative) { return std::string(LORIX_CORPUS_DIR) + "/" + relative; }

std::string CorpusMissing()
{
    return fs::is_directory(LORIX_CORPUS_DIR) ? std::string()
                                              : "the corpus folder " LORIX_CORPUS_DIR " is absent";
}

std::string Repeat(int count, const std::function<std::string(int)>& piece)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += piece(i);
    return s;
}

} // namespace lorix::test
