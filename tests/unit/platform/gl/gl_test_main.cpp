// Runs the OpenGL, font and desktop tests on a private Xvfb with Mesa's software renderer, through
// Qt's xcb platform: the X server and the application exist only while tests run (listing the
// tests needs neither).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <dlfcn.h>
#include <link.h>

#include <cstdlib>

#include "tests/support/xvfb_server.h"

namespace {

// Keeps every library loaded now (the GL driver above all) in memory to the end, so that what the
// leak checker finds at exit is traced to a named library and the suppressions can match it.
void pin_loaded_libraries() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name && info->dlpi_name[0]) dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(server_.start()) << server_.error();
        setenv("DISPLAY", server_.display_name().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("LP_NUM_THREADS", "0", 0);  // llvmpipe draws on the calling thread: steady on 2 cores
        application_ = new QGuiApplication(argc_, argv_);
    }
    void TearDown() override {
        pin_loaded_libraries();
        delete application_;  // before the server goes, or Qt loses its connection
        application_ = nullptr;
        server_.stop();
    }

private:
    brine::test::XvfbServer server_;
    QGuiApplication* application_ = nullptr;
    int argc_ = 1;
    char name_[32] = "unit_platform_gl";
    char* argv_[2] = {name_, nullptr};
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
    return RUN_ALL_TESTS();
}
