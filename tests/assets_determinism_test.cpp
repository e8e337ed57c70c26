// The asset generator is deterministic: two runs of <build>/make-assets into two fresh
// directories write the same files with the same bytes (pictures, sounds, music and level).
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "test_util.h"

namespace {

std::set<std::string> files_in(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.insert(n);
        }
        closedir(d);
    }
    return names;
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string run_generator(const std::string& tag) {
    char tmpl[] = "/tmp/osa-assets-XXXXXX";
    const char* base = mkdtemp(tmpl);
    if (!base) return "";
    std::string out = std::string(base) + "/" + tag;
    std::string cmd = "'" + build_dir() + "/make-assets' '" + out + "' '" + source_dir() + "/levels/town.map' > /dev/null";
    if (std::system(cmd.c_str()) != 0) return "";
    return out;
}

void remove_tree(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::remove_all(dir.substr(0, dir.rfind('/')), ignored);
}

TEST(assets, two_runs_write_identical_files) {
    std::string a = run_generator("a"), b = run_generator("b");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    std::set<std::string> fa = files_in(a), fb = files_in(b);
    EXPECT_EQ(fa, fb);
    for (const char* expected : {"tiles.pcx", "title.pcx", "back.pcx", "shops.dat", "mora.dat", "vela.dat", "font.dat"})
        EXPECT_TRUE(fa.count(expected)) << expected << " is written";
    for (const std::string& n : fa) {
        std::string ca = contents(a + "/" + n), cb = contents(b + "/" + n);
        EXPECT_FALSE(ca.empty()) << n;
        EXPECT_TRUE(ca == cb) << n << " differs between two runs";
    }
    remove_tree(a);
    remove_tree(b);
}

}  // namespace
