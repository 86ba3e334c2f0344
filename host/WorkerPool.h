// The stand-in host's worker threads: one pool per host, shared by every frame that renders
// through it, behind iterate_generic.  A pool of N workers runs N - 1 threads of its own; the
// thread that asks for work takes part as thread 0, so one worker means everything runs on
// the calling thread.
#pragma once
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tonedot {

class WorkerPool {
public:
    // `workers` below 1 means one per core.
    // Throws std::system_error when a thread cannot be started (none is left running).
    explicit WorkerPool(int workers = 0);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The number of threads that can work on one call of Run at once, the caller included.
    int Workers() const;
    // Changes the number of workers (below 1: one per core); waits for running work first.
    // Throws std::system_error when a thread cannot be started; the pool then has one
    // worker (the caller).
    void SetWorkers(int workers);
    // One per core, at least one.
    static int CoreCount();

    // Calls fn(i, thread) for every i in 0 .. count - 1, in no promised order, and returns
    // when every call has returned.  `thread` is 0 on the calling thread, 1 .. Workers() - 1
    // on the pool's threads.  Several threads may call Run at once.  When a call throws, the
    // indices not yet handed out are dropped, and once the calls in progress have returned
    // Run throws the first exception on the calling thread.
    void Run(int count, const std::function<void(int i, int thread)>& fn);

private:
    struct Job {
        const std::function<void(int, int)>* fn;
        int count;
        int next = 0;      // the next index to hand out
        int finished = 0;  // calls that have returned (or were dropped)
        std::exception_ptr error;  // the first call's exception
    };
    // With mutex_ held: keeps the first exception and drops the indices not handed out.
    void Fail(Job& job, std::exception_ptr error);

    void Start(int workers);  // with no threads running
    void Stop();
    void WorkerLoop(int thread);
    // Hands out the next index of the oldest job with work left; false when there is none.
    // Called with mutex_ held.
    bool Claim(Job*& job, int& index);

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // workers: a job arrived, or stop
    std::condition_variable done_;  // callers: a job's calls all returned
    std::deque<Job*> jobs_;         // jobs with indices left to hand out
    std::vector<std::thread> threads_;
    int workers_ = 1;
    int running_ = 0;  // Run calls in progress
    bool stopping_ = false;
};

}  // namespace tonedot
