#include "base/worker_pool.hpp"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "zemrath/error.hpp"
#include "zemrath/floating_point.hpp"

namespace zemrath {

namespace {

struct pool_job {
    std::size_t count = 0;
    const std::function<void(std::size_t)>* task = nullptr;
    bool watched = false;  // the poster waits for progress notices
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stop{false};
    // Guarded by the pool's mutex.
    int helpers_wanted = 0;
    int helpers_joined = 0;
    int helpers_active = 0;
    std::exception_ptr failure;
};

struct worker_pool {
    std::mutex mutex;
    std::condition_variable work_posted;   // idle workers wait here
    std::condition_variable job_progress;  // posters wait here
    std::deque<pool_job*> open_jobs;       // jobs that still take helpers, oldest first
    int workers = 0;
    int idle = 0;
};

void note_failure(worker_pool& pool, pool_job& job) {
    const std::lock_guard lock(pool.mutex);
    if (!job.failure) job.failure = std::current_exception();
    job.stop = true;
}

void run_tasks(worker_pool& pool, pool_job& job) {
    while (!job.stop.load(std::memory_order_relaxed)) {
        const std::size_t i = job.next.fetch_add(1);
        if (i >= job.count) return;
        try {
            (*job.task)(i);
        } catch (...) {
            note_failure(pool, job);
        }
        job.done.fetch_add(1);
        if (job.watched) {
            { const std::lock_guard lock(pool.mutex); }  // the poster is waiting or will look
            pool.job_progress.notify_all();
        }
    }
}

void serve(worker_pool& pool) {
    set_model_floating_point();
    std::unique_lock lock(pool.mutex);
    for (;;) {
        ++pool.idle;
        pool.work_posted.wait(lock, [&] { return !pool.open_jobs.empty(); });
        --pool.idle;
        pool_job& job = *pool.open_jobs.front();
        if (++job.helpers_joined == job.helpers_wanted) pool.open_jobs.pop_front();
        ++job.helpers_active;
        lock.unlock();
        run_tasks(pool, job);
        lock.lock();
        --job.helpers_active;
        pool.job_progress.notify_all();
    }
}

// The pool of this process. A child made by fork() has none of its parent's
// threads, so it starts a pool of its own and leaves the inherited copy
// untouched; pools are never destroyed, since their workers may be waiting
// when the process ends.
worker_pool& shared_pool() {
    static std::mutex holder;
    static worker_pool* pool = nullptr;
    static pid_t owner = 0;
    const std::lock_guard lock(holder);
    if (pool == nullptr || owner != ::getpid()) {
        pool = new worker_pool;
        owner = ::getpid();
    }
    return *pool;
}

// A job open to helpers from construction; the destructor closes it to new
// helpers and waits until those that joined have left, so that the job (on
// the poster's stack) outlives every use of it, whatever way the poster
// leaves.
class posted_job {
public:
    posted_job(worker_pool& pool, pool_job& job) : pool_(pool), job_(job) {
        {
            const std::lock_guard lock(pool.mutex);
            const int missing = job.helpers_wanted - pool.idle;
            for (int k = 0; k < missing && pool.workers < max_threads; ++k) {
                // A thread the system refuses (a limit on threads or on
                // memory) leaves the job to the workers there are.
                try {
                    std::thread(serve, std::ref(pool)).detach();
                } catch (const std::system_error&) {
                    break;
                }
                ++pool.workers;
            }
            pool.open_jobs.push_back(&job);
        }
        pool.work_posted.notify_all();
    }

    ~posted_job() {
        std::unique_lock lock(pool_.mutex);
        const auto open = std::find(pool_.open_jobs.begin(), pool_.open_jobs.end(), &job_);
        if (open != pool_.open_jobs.end()) pool_.open_jobs.erase(open);
        pool_.job_progress.wait(lock, [&] { return job_.helpers_active == 0; });
    }

    posted_job(const posted_job&) = delete;
    posted_job& operator=(const posted_job&) = delete;

private:
    worker_pool& pool_;
    pool_job& job_;
};

bool has_workers(worker_pool& pool) {
    const std::lock_guard lock(pool.mutex);
    return pool.workers > 0;
}

void rethrow_failure(worker_pool& pool, pool_job& job) {
    std::exception_ptr failure;
    {
        const std::lock_guard lock(pool.mutex);
        failure = job.failure;
    }
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

int hardware_threads() {
    static const int threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return threads;
}

int resolve_threads(int threads) { return threads <= 0 ? hardware_threads() : std::min(threads, max_threads); }

void parallel_for(std::size_t count, int threads, const std::function<void(std::size_t)>& task) {
    const std::size_t helpers = std::min<std::size_t>(static_cast<std::size_t>(resolve_threads(threads)) - 1,
                                                      count == 0 ? 0 : count - 1);
    if (helpers == 0) {
        for (std::size_t i = 0; i < count; ++i) task(i);
        return;
    }
    worker_pool& pool = shared_pool();
    pool_job job;
    job.count = count;
    job.task = &task;
    job.helpers_wanted = static_cast<int>(helpers);
    {
        const posted_job posted(pool, job);
        run_tasks(pool, job);
    }
    rethrow_failure(pool, job);
}

bool parallel_for_watched(std::size_t count, int threads, const std::function<void(std::size_t)>& task,
                          const std::function<bool(std::size_t done)>& watch, std::chrono::milliseconds interval) {
    if (count == 0) return watch(0);
    worker_pool& pool = shared_pool();
    pool_job job;
    job.count = count;
    job.task = &task;
    job.watched = true;
    job.helpers_wanted = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(resolve_threads(threads)), count));
    bool completed = true;
    {
        const posted_job posted(pool, job);
        if (!has_workers(pool))
            throw error(error_code::out_of_memory, "the system refused every thread the work needs");
        try {
            while (job.done.load() < count && !job.stop.load()) {
                if (!watch(job.done.load())) {
                    job.stop = true;
                    completed = false;
                    break;
                }
                std::unique_lock lock(pool.mutex);
                pool.job_progress.wait_for(lock, interval,
                                           [&] { return job.done.load() == count || job.stop.load(); });
            }
        } catch (...) {
            job.stop = true;
            throw;
        }
    }
    rethrow_failure(pool, job);
    return completed && job.done.load() == count;
}

}  // namespace zemrath
