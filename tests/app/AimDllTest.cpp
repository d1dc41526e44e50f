// The advertising wrapper with and without its library: the stand-in built beside the tests
// records the calls it receives.

#include "app/AimDll.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sys/library.h"
#include "tests/support/ScratchFolder.h"

namespace {

namespace fsys = std::filesystem;

class AimDllTest : public testing::Test {
protected:
    void SetUp() override { m_previous = fsys::current_path(); }
    void TearDown() override {
        sys::library::Unload(m_library);
        fsys::current_path(m_previous);
    }
    // Runs in the stand-in's folder and keeps it loaded, so its log outlives the wrappers.
    void UseStandIn() {
        fsys::current_path(std::string(TARVEX_TEST_BINARY_DIR) + "/app/advert");
        m_library = sys::library::Load("advert.dll");
        ASSERT_NE(m_library, nullptr) << sys::library::LastError();
    }
    std::string Log() const {
        auto log = reinterpret_cast<const char* (*)()>(sys::library::Symbol(m_library, "AdvertLog"));
        return log != nullptr ? log() : "";
    }
    void* Owner() const {
        auto owner = reinterpret_cast<void* (*)()>(sys::library::Symbol(m_library, "AdvertOwner"));
        return owner != nullptr ? owner() : nullptr;
    }

    fsys::path m_previous;
    sys::library::Handle m_library = nullptr;
};

void Dummy(void*) {}
int g_context = 0;

struct Forwarding {
    std::function<bool(AimDll&)> call;
    const char* line;
};

const std::vector<Forwarding>& Forwardings() {
    static const std::vector<Forwarding> cases = {
        {[](AimDll& a) { unsigned long s = 0; return a.GetStatus(s, true) && s == 42; }, "_GetStatus(h,1)"},
        {[](AimDll& a) { bool ok = false; return a.IsConnectOkay(ok) && ok; }, "_IsConnectOkay(h,0)"},
        {[](AimDll& a) { return a.OnClick(); }, "_OnClick(h)"},
        {[](AimDll& a) { return a.Paint(reinterpret_cast<sys::HDC>(&g_context), 3, -4); }, "_Paint(h,dc,3,-4)"},
        {[](AimDll& a) { return a.RetryConnect(); }, "_RetryConnect(h)"},
        {[](AimDll& a) { return a.SetAdRecordedCallback(&Dummy, &g_context); }, "_SetAdRecordedCallback(h,context)"},
        {[](AimDll& a) { return a.SetBandwidthThrottle(9600); }, "_SetBandwidthThrottle(h,9600)"},
        {[](AimDll& a) { return a.SetCallback(&Dummy, nullptr); }, "_SetCallback(h,null)"},
        {[](AimDll& a) { return a.SetMinimumAdDisplayTime(15); }, "_SetMinimumAdDisplayTime(h,15)"},
        {[](AimDll& a) { return a.SetNetworkCallback(&Dummy, &g_context); }, "_SetNetworkCallback(h,context)"},
        {[](AimDll& a) { return a.SetNetworkState(true); }, "_SetNetworkState(h,1)"},
        {[](AimDll& a) { return a.SetProxy("proxy", 8080, "user"); }, "_SetProxy(h,proxy,8080,user)"},
        {[](AimDll& a) { return a.UseDefaultAd("ad.bmp", "http"); }, "_UseDefaultAd(h,ad.bmp,http)"},
        {[](AimDll& a) { return a.debugTriggerEvent(5); }, "_debugTriggerEvent(h,5)"},
    };
    return cases;
}

TEST_F(AimDllTest, WithoutTheLibraryEveryMethodAnswersFalse) {
    fsys::current_path(tarvex::test::MakeScratchFolder("AimDll"));
    AimDll ad(1, nullptr, 2, 3);
    EXPECT_EQ(ad.m_Status, 0x80000000u);
    EXPECT_FALSE(ad.isOkay());
    EXPECT_EQ(ad.m_hModule, nullptr);
    for (const Forwarding& f : Forwardings())
        EXPECT_FALSE(f.call(ad)) << f.line;
}

TEST_F(AimDllTest, EachMethodForwardsWithTheHandleAndTheLastOwnerShutsDown) {
    UseStandIn();
    {
        AimDll ad(1, reinterpret_cast<sys::HWND>(&g_context), -2, 3);
        EXPECT_EQ(ad.m_Status, 0u);
        EXPECT_TRUE(ad.isOkay());
        EXPECT_EQ(Owner(), &ad);
        EXPECT_EQ(Log(), "_Startup(h,module,window,1,-2,3)\n");
        std::string expected = Log();
        for (const Forwarding& f : Forwardings()) {
            EXPECT_TRUE(f.call(ad)) << f.line;
            expected += std::string(f.line) + "\n";
        }
        EXPECT_EQ(Log(), expected);

        // A copy shares the started library: only the last of the two shuts it down.
        {
            AimDll copy(0, nullptr, 0, 0);
            copy = ad;
            EXPECT_TRUE(copy.isOkay());
            EXPECT_TRUE(copy.OnClick());
        }
        EXPECT_EQ(Log().find("_Shutdown"), std::string::npos);
        EXPECT_TRUE(ad.OnClick());
    }
    const std::string log = Log();
    EXPECT_TRUE(log.ends_with("_OnClick(h)\n_Shutdown(h)\n")) << log;
    EXPECT_EQ(log.find("_Shutdown"), log.rfind("_Shutdown"));
}

TEST_F(AimDllTest, AFailedStartupForwardsNothingAndShutsNothingDown) {
    UseStandIn();
    {
        AimDll ad(0, nullptr, 1, 1);
        EXPECT_FALSE(ad.isOkay());
        EXPECT_EQ(ad.m_Status, 0u);
        for (const Forwarding& f : Forwardings())
            EXPECT_FALSE(f.call(ad)) << f.line;
    }
    EXPECT_EQ(Log(), "_Startup(h,module,null,0,1,1)\n");
}

}  // namespace
