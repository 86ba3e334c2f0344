#include "host/WorkerPool.h"

#include <cassert>

namespace tonedot {

int WorkerPool::CoreCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

WorkerPool::WorkerPool(int workers) { Start(workers < 1 ? CoreCount() : workers); }

WorkerPool::~WorkerPool() { Stop(); }

int WorkerPool::Workers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return workers_;
}

void WorkerPool::SetWorkers(int workers) {
    if (workers < 1) workers = CoreCount();
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return running_ == 0; });
        if (workers == workers_) return;
    }
    Stop();
    Start(workers);
}

void WorkerPool::Start(int workers) {
    assert(threads_.empty());
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
        workers_ = workers;
    }
    try {
        for (int t = 1; t < workers; ++t) threads_.emplace_back(&WorkerPool::WorkerLoop, this, t);
    } catch (...) {
        Stop();
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
        workers_ = 1;
        throw;
    }
}

void WorkerPool::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
}

bool WorkerPool::Claim(Job*& job, int& index) {
    while (!jobs_.empty()) {
        Job* front = jobs_.front();
        if (front->next < front->count) {
            job = front;
            index = front->next++;
            if (front->next == front->count) jobs_.pop_front();  // nothing more to hand out
            return true;
        }
        jobs_.pop_front();
    }
    return false;
}

void WorkerPool::WorkerLoop(int thread) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        Job* job = nullptr;
        int index = 0;
        wake_.wait(lock, [&] { return stopping_ || Claim(job, index); });
        if (!job) return;  // stopping, with no work left
        lock.unlock();
        std::exception_ptr error;
        try {
            (*job->fn)(index, thread);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error) Fail(*job, error);
        // The caller frees the job once every call has returned, so it is not touched after.
        if (++job->finished == job->count) done_.notify_all();
    }
}

void WorkerPool::Run(int count, const std::function<void(int, int)>& fn) {
    if (count <= 0) return;
    Job job{&fn, count, 0, 0, nullptr};
    std::unique_lock<std::mutex> lock(mutex_);
    ++running_;
    if (workers_ > 1 && count > 1) {
        jobs_.push_back(&job);
        wake_.notify_all();
    }
    // The caller works on its own job until every index is handed out.
    while (job.next < job.count) {
        const int index = job.next++;
        if (job.next == job.count && !jobs_.empty()) {
            for (auto it = jobs_.begin(); it != jobs_.end(); ++it) {
                if (*it == &job) {
                    jobs_.erase(it);
                    break;
                }
            }
        }
        lock.unlock();
        std::exception_ptr error;
        try {
            fn(index, 0);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error) Fail(job, error);
        ++job.finished;
    }
    done_.wait(lock, [&] { return job.finished == job.count; });
    --running_;
    if (running_ == 0) done_.notify_all();
    if (job.error) std::rethrow_exception(job.error);
}

void WorkerPool::Fail(Job& job, std::exception_ptr error) {
    if (!job.error) job.error = error;
    job.finished += job.count - job.next;
    job.next = job.count;
    for (auto it = jobs_.begin(); it != jobs_.end(); ++it) {
        if (*it == &job) {
            jobs_.erase(it);
            break;
        }
    }
}

}  // namespace tonedot
