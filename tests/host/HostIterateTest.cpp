// iterate_generic as the stand-in host serves it: every iteration once, on the host's pool,
// with thread 0 the caller's own thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "host/Host.h"

namespace tonedot::test {
namespace {

struct Calls {
    std::mutex mutex;
    std::thread::id caller;
    std::multiset<A_long> indices;
    std::set<A_long> threads;
    std::set<A_long> counts;
    bool zeroOffCaller = false;  // thread index 0 reported away from the calling thread
    bool noHost = false;         // the host was not the calling thread's inside fn_func
    A_long failFrom = -1;        // iterations from here on answer their index as an error
};

PF_Err Record(void* refcon, A_long thread, A_long i, A_long count) {
    Calls& calls = *static_cast<Calls*>(refcon);
    std::lock_guard<std::mutex> lock(calls.mutex);
    calls.indices.insert(i);
    calls.threads.insert(thread);
    calls.counts.insert(count);
    if (thread == 0 && std::this_thread::get_id() != calls.caller) calls.zeroOffCaller = true;
    if (!Host::Current()) calls.noHost = true;
    return calls.failFrom >= 0 && i >= calls.failFrom ? 1000 + i : PF_Err_NONE;
}

TEST(HostIterate, RunsEveryIterationOnceOnTheHostsWorkers) {
    Host host(static_cast<EntryPointFn>(nullptr));
    EXPECT_EQ(host.WorkerCount(), WorkerPool::CoreCount()) << "one per core by default";
    const PF_Iterate8Suite1* suite = nullptr;
    ASSERT_EQ(host.Suites().Acquire(kPFIterate8Suite, kPFIterate8SuiteVersion1,
                                    reinterpret_cast<const void**>(&suite)),
              kSPNoError);
    EXPECT_EQ(suite->iterate_generic, host.utils.iterate_generic);
    host.Suites().Release(kPFIterate8Suite, kPFIterate8SuiteVersion1);

    Host::ThreadScope scope(host);
    for (int workers : {1, 3}) {
        host.SetWorkerCount(workers);
        ASSERT_EQ(host.WorkerCount(), workers);
        // Once per processor: as many calls as workers, each told the count.
        Calls once;
        once.caller = std::this_thread::get_id();
        ASSERT_EQ(host.utils.iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &once, &Record),
                  PF_Err_NONE);
        EXPECT_EQ(once.indices.size(), static_cast<size_t>(workers));
        EXPECT_EQ(once.counts, std::set<A_long>{workers});

        Calls many;
        many.caller = std::this_thread::get_id();
        ASSERT_EQ(host.utils.iterate_generic(50, &many, &Record), PF_Err_NONE);
        std::multiset<A_long> all;
        for (A_long i = 0; i < 50; ++i) all.insert(i);
        EXPECT_EQ(many.indices, all);
        EXPECT_FALSE(many.zeroOffCaller);
        EXPECT_FALSE(many.noHost);
        for (A_long t : many.threads) EXPECT_TRUE(t >= 0 && t < workers) << t;
        if (workers == 1) {
            EXPECT_EQ(many.threads, std::set<A_long>{0});
        }

        // Every iteration runs even when some fail; the lowest failing one is the answer.
        Calls failing;
        failing.caller = std::this_thread::get_id();
        failing.failFrom = 7;
        EXPECT_EQ(host.utils.iterate_generic(20, &failing, &Record), 1007);
        EXPECT_EQ(failing.indices.size(), 20u);
    }
    EXPECT_EQ(host.utils.iterate_generic(4, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.utils.iterate_generic(-2, nullptr, &Record), PF_Err_BAD_CALLBACK_PARAM);
    host.SetWorkerCount(0);
    EXPECT_EQ(host.WorkerCount(), WorkerPool::CoreCount());
}

// Several frames at once share one pool; each one's iterations all run before its call returns.
TEST(HostIterate, ConcurrentCallersShareThePool) {
    Host host(static_cast<EntryPointFn>(nullptr));
    host.SetWorkerCount(3);
    std::vector<std::thread> callers;
    std::atomic<int> wrong{0};
    for (int c = 0; c < 4; ++c) {
        callers.emplace_back([&] {
            Host::ThreadScope scope(host);
            for (int round = 0; round < 20; ++round) {
                std::vector<std::atomic<int>> seen(37);
                auto fn = [](void* refcon, A_long, A_long i, A_long) -> PF_Err {
                    ++(*static_cast<std::vector<std::atomic<int>>*>(refcon))[i];
                    return PF_Err_NONE;
                };
                host.utils.iterate_generic(37, &seen, fn);
                for (const std::atomic<int>& n : seen)
                    if (n.load() != 1) ++wrong;
            }
        });
    }
    for (std::thread& t : callers) t.join();
    EXPECT_EQ(wrong.load(), 0);
}

// A throw in a callback, on the calling thread or on a worker, comes back as the call's
// error (an allocation failure as out of memory); the pool takes the next call as before.
TEST(HostIterate, ThrowsBecomeTheAnswerOnAnyThread) {
    Host host(static_cast<EntryPointFn>(nullptr));
    Host::ThreadScope scope(host);
    struct Case {
        int workers;
        A_long throwAt;  // the iteration that throws
        bool memory;
        PF_Err answer;
    };
    for (const Case& c : {Case{1, 0, false, PF_Err_INTERNAL_STRUCT_DAMAGED}, Case{3, 0, true, PF_Err_OUT_OF_MEMORY},
                          Case{3, 63, false, PF_Err_INTERNAL_STRUCT_DAMAGED}, Case{4, 31, true, PF_Err_OUT_OF_MEMORY}}) {
        host.SetWorkerCount(c.workers);
        std::pair<A_long, bool> what{c.throwAt, c.memory};
        auto fn = [](void* refcon, A_long, A_long i, A_long) -> PF_Err {
            const auto& w = *static_cast<std::pair<A_long, bool>*>(refcon);
            std::this_thread::sleep_for(std::chrono::microseconds(50));  // let the workers take some
            if (i == w.first) {
                if (w.second) throw std::bad_alloc();
                throw std::runtime_error("thrown by a callback");
            }
            return PF_Err_NONE;
        };
        EXPECT_EQ(host.utils.iterate_generic(64, &what, fn), c.answer) << c.workers << " workers, at " << c.throwAt;
        std::vector<std::atomic<int>> seen(64);
        host.utils.iterate_generic(64, &seen, [](void* refcon, A_long, A_long i, A_long) -> PF_Err {
            ++(*static_cast<std::vector<std::atomic<int>>*>(refcon))[i];
            return PF_Err_NONE;
        });
        for (const std::atomic<int>& n : seen) EXPECT_EQ(n.load(), 1);
    }
}

}  // namespace
}  // namespace tonedot::test
