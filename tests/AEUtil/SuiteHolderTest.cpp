// Suites are taken on first use and all given back when the holder goes, throw or not.
#include <stdexcept>

#include <gtest/gtest.h>

#include "AEUtil/SuiteHolder.h"
#include "host/Host.h"
#include "tests/support/TestHost.h"

namespace tonedot::test {
namespace {

class SuiteHolderTest : public LinkedHostTest {
protected:
    Host::ThreadScope scope{host};
};

TEST_F(SuiteHolderTest, AcquiresOnceOnFirstUseAndReleasesAtTheEnd) {
    {
        SuiteHolder suites(&host.basicSuite);
        EXPECT_EQ(host.Suites().TotalAcquires(), 0u);
        const PF_WorldSuite2* first = suites.WorldSuite2();
        const PF_WorldSuite2* again = suites.WorldSuite2();
        EXPECT_EQ(first, &Host::kWorldSuite2);
        EXPECT_EQ(first, again);
        suites.HandleSuite1();
        EXPECT_EQ(host.Suites().AcquireCount(kPFWorldSuite, 2), 1u);
        EXPECT_EQ(host.Suites().Outstanding(), 2);
    }
    EXPECT_EQ(host.Suites().ReleaseCount(kPFWorldSuite, 2), 1u);
    EXPECT_EQ(host.Suites().ReleaseCount(kPFHandleSuite, 2), 1u);
    EXPECT_TRUE(host.Suites().Balanced());
}

TEST_F(SuiteHolderTest, ReleasesEverythingWhenTheCallThrows) {
    try {
        SuiteHolder suites(&host.basicSuite);
        suites.WorldSuite1();
        suites.WorldSuite2();
        throw std::runtime_error("mid-command failure");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(host.Suites().TotalAcquires(), 2u);
    EXPECT_TRUE(host.Suites().Balanced());
}

TEST_F(SuiteHolderTest, ARefusedSuiteThrowsBadCallbackParam) {
    host.Suites().Withhold(kPFWorldSuite, 2);
    SuiteHolder suites(&host.basicSuite);
    suites.HandleSuite1();
    try {
        suites.WorldSuite2();
        FAIL() << "expected a throw";
    } catch (int code) {
        EXPECT_EQ(code, PF_Err_BAD_CALLBACK_PARAM);
    }
    // A suite acquired after a refusal is refused the same way when withheld.
    host.Suites().Withhold(kPFAppSuite, kPFAppSuiteVersion5);
    EXPECT_THROW(suites.AppSuite5(), int);
}

TEST_F(SuiteHolderTest, NullTablesCountAsRefusalAndAreGivenBack) {
    host.Suites().Provide("PF Fill Matte Suite", 2, nullptr);
    SuiteHolder suites(&host.basicSuite);
    EXPECT_THROW(suites.FillMatteSuite2(), int);
}

TEST_F(SuiteHolderTest, NoBasicSuiteThrowsBadCallbackParam) {
    try {
        SuiteHolder suites(nullptr);
        FAIL() << "expected a throw";
    } catch (int code) {
        EXPECT_EQ(code, PF_Err_BAD_CALLBACK_PARAM);
    }
}

TEST_F(SuiteHolderTest, AnUnusedHolderReleasesNothing) {
    { SuiteHolder suites(&host.basicSuite); }
    EXPECT_EQ(host.Suites().TotalAcquires(), 0u);
    EXPECT_TRUE(host.Suites().Balanced());
}

TEST_F(SuiteHolderTest, NamesAndVersionsAreTheHosts) {
    EXPECT_STREQ(SuiteHolder::NameOf(SuiteHolder::kFillMatteSuite2).name, "PF Fill Matte Suite");
    EXPECT_EQ(SuiteHolder::NameOf(SuiteHolder::kFillMatteSuite2).version, 2);
    EXPECT_STREQ(SuiteHolder::NameOf(SuiteHolder::kWorldTransformSuite1).name,
                 "PF World Transform Suite");
    EXPECT_EQ(SuiteHolder::NameOf(SuiteHolder::kWorldTransformSuite1).version, 1);
    EXPECT_EQ(SuiteHolder::NameOf(SuiteHolder::kHandleSuite2).version, 2);
    EXPECT_EQ(SuiteHolder::NameOf(SuiteHolder::kParamUtilsSuite2).version, 2);
    EXPECT_EQ(SuiteHolder::NameOf(SuiteHolder::kParamUtilsSuite3).version, 3);
    EXPECT_STREQ(SuiteHolder::NameOf(SuiteHolder::kAppSuite7).name, "PF AE App Suite");
    EXPECT_EQ(SuiteHolder::NameOf(SuiteHolder::kAppSuite7).version, 7);
}

}  // namespace
}  // namespace tonedot::test
