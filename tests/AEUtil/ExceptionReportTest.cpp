// What the entry point reports for each kind of thrown error.
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "AEUtil/AEException.h"
#include "AEUtil/ExceptionReport.h"

namespace {

struct Reported {
    PF_Err err;
    std::string message;
};

template <class Body>
Reported Report(Body body) {
    PF_OutData out{};
    std::memset(out.return_msg, 'x', sizeof out.return_msg);  // must be overwritten, terminated
    const PF_Err err = AEUtil::Guarded(&out, [&]() -> PF_Err {
        body();
        return PF_Err_NONE;
    });
    EXPECT_NE(std::memchr(out.return_msg, '\0', sizeof out.return_msg), nullptr);
    return {err, std::string(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg))};
}

TEST(ExceptionReport, HostExceptionGivesItsCodeAndMessage) {
    const Reported r = Report([] { throw AEUtil::AEException(7, 42, "World.cpp", "%s %d", "w", 3); });
    EXPECT_EQ(r.err, 7);
    EXPECT_EQ(r.message, "World.cpp(42): w 3");
}

TEST(ExceptionReport, StandardExceptionsAreInternalDamage) {
    Reported r = Report([] { throw std::runtime_error("broken pipe"); });
    EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(r.message, "broken pipe");
    r = Report([] { throw std::bad_alloc(); });
    EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(r.message, std::bad_alloc().what());
    // The Windows exception is a standard exception like any other.
    r = Report([] { throw AEUtil::Win32Exception(5, "Dlg.cpp", 9, "access %s", "denied"); });
    EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(r.message, "Dlg.cpp(9): access denied");
}

TEST(ExceptionReport, IntegersAreReportedWithTheirNames) {
    struct Row {
        int code;
        const char* message;
    } rows[] = {
        {0, "error code = 0\nPF_Err_NONE"},
        {2, "error code = 2\n"},
        {4, "error code = 4\nPF_Err_OUT_OF_MEMORY"},
        {5, "error code = 5\nunknown"},
        {511, "error code = 511\nunknown"},
        {512, "error code = 512\nPF_Err_INTERNAL_STRUCT_DAMAGED"},
        {513, "error code = 513\nPF_Err_INVALID_INDEX"},
        {514, "error code = 514\nPF_Err_UNRECOGNIZED_PARAM_TYPE"},
        {515, "error code = 515\nPF_Err_INVALID_CALLBACK"},
        {516, "error code = 516\nPF_Err_BAD_CALLBACK_PARAM"},
        {517, "error code = 517\nPF_Interrupt_CANCEL"},
        {518, "error code = 518\nPF_Err_CANNOT_PARSE_KEYFRAME_TEXT"},
        {519, "error code = 519\nunknown"},
        {600, "error code = 600\nunknown"},
        {-1, "error code = -1\nunknown"},
    };
    for (const Row& row : rows) {
        const Reported r = Report([&] { throw row.code; });
        EXPECT_EQ(r.err, row.code);
        EXPECT_EQ(r.message, row.message) << row.code;
    }
}

TEST(ExceptionReport, AnythingElseIsAnUnknownErrorInShiftJis) {
    struct Odd {};
    const Reported r = Report([] { throw Odd{}; });
    EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(r.message, "\x95\x73\x96\xBE\x82\xC8\x83\x47\x83\x89\x81\x5B");
}

TEST(ExceptionReport, LongMessagesAreCutToTheField) {
    const std::string longText(5000, 'm');
    Reported r = Report([&] { throw std::runtime_error(longText); });
    EXPECT_EQ(r.message, std::string(255, 'm'));
    // The exception's own message stops at its 2048-byte buffer, never past it.
    AEUtil::AEException e(1, 1, "f", "%s", longText.c_str());
    EXPECT_EQ(std::strlen(e.Message()), AEUtil::kExceptionMessageSize - 1);
    EXPECT_STREQ(e.what(), e.Message());
    r = Report([&] { throw e; });
    EXPECT_EQ(r.message.size(), 255u);
    EXPECT_EQ(r.message.substr(0, 6), "f(1): ");
}

TEST(ExceptionReport, ReturnedResultsLeaveTheMessageAlone) {
    PF_OutData out{};
    std::strcpy(out.return_msg, "kept");
    EXPECT_EQ(AEUtil::Guarded(&out, [] { return PF_Err_OUT_OF_MEMORY; }), PF_Err_OUT_OF_MEMORY);
    EXPECT_STREQ(out.return_msg, "kept");
}

}  // namespace
