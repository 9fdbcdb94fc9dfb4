// The one worker pool: every task runs once, whatever the thread count;
// failures stop the job and reach the caller; jobs inside jobs never wait
// for each other; a watched job calls its watcher on the calling thread and
// stops when asked.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/worker_pool.hpp"
#include "zemrath/error.hpp"

namespace zemrath {
namespace {

TEST(WorkerPool, EveryTaskRunsExactlyOnce) {
    for (int threads : {0, 1, 2, 5}) {
        for (std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{1000}}) {
            std::vector<std::atomic<int>> runs(count);
            parallel_for(count, threads, [&](std::size_t i) { ++runs[i]; });
            for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(runs[i].load(), 1) << threads << " " << count << " " << i;
        }
    }
    EXPECT_GE(resolve_threads(0), 1);
    EXPECT_EQ(resolve_threads(3), 3);
    EXPECT_EQ(resolve_threads(5000), max_threads);
}

// Under a limit on memory the system refuses threads: a job then runs on the
// workers it could start, and the refusal never escapes as anything but the
// library's own error. Run in a child, whose limit and pool are its own.
TEST(WorkerPool, ThreadsTheSystemRefusesLeaveTheJobToTheWorkersThereAre) {
#ifdef ZEMRATH_SANITIZED
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Room for a few thread stacks beside what the process already maps.
        std::ifstream status("/proc/self/statm");
        long pages = 0;
        status >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (64 << 20);
        const rlimit address_space{limit, limit};
        if (::setrlimit(RLIMIT_AS, &address_space) != 0) ::_exit(3);
        int code = 0;
        try {
            std::vector<std::atomic<int>> runs(2000);
            const bool completed = parallel_for_watched(
                runs.size(), max_threads, [&](std::size_t i) { ++runs[i]; }, [](std::size_t) { return true; },
                std::chrono::milliseconds(1));
            for (const std::atomic<int>& r : runs) code = code != 0 || r.load() != 1 ? 4 : 0;
            if (!completed) code = 5;
            parallel_for(runs.size(), max_threads, [&](std::size_t i) { ++runs[i]; });
            for (const std::atomic<int>& r : runs) code = code != 0 || r.load() != 2 ? 6 : code;
        } catch (const error& failure) {
            code = failure.code() == error_code::out_of_memory ? 0 : 7;
        } catch (...) {
            code = 8;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(WorkerPool, AFailureStopsTheJobAndReachesTheCaller) {
    std::atomic<int> started{0};
    EXPECT_THROW(parallel_for(10000, 3,
                              [&](std::size_t i) {
                                  ++started;
                                  if (i == 5) throw std::runtime_error("task 5");
                              }),
                 std::runtime_error);
    EXPECT_LT(started.load(), 10000);
}

TEST(WorkerPool, JobsInsideJobsFinish) {
    std::atomic<int> inner{0};
    parallel_for(8, 4, [&](std::size_t) { parallel_for(50, 4, [&](std::size_t) { ++inner; }); });
    EXPECT_EQ(inner.load(), 400);
}

TEST(WorkerPool, WatchedJobRunsTheWatcherOnTheCallingThread) {
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> ran{0};
    std::vector<std::size_t> seen;
    const bool completed = parallel_for_watched(
        40, 2,
        [&](std::size_t) {
            EXPECT_NE(std::this_thread::get_id(), caller);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++ran;
        },
        [&](std::size_t done) {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            seen.push_back(done);
            return true;
        },
        std::chrono::milliseconds(2));
    EXPECT_TRUE(completed);
    EXPECT_EQ(ran.load(), 40);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST(WorkerPool, WatcherStopsTheJobAndItsExceptionsPassThrough) {
    std::atomic<int> ran{0};
    const auto slow_task = [&](std::size_t) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++ran;
    };
    EXPECT_FALSE(parallel_for_watched(1000, 2, slow_task, [](std::size_t done) { return done < 3; },
                                      std::chrono::milliseconds(1)));
    EXPECT_LT(ran.load(), 1000);

    ran = 0;
    EXPECT_THROW(parallel_for_watched(
                     1000, 2, slow_task,
                     [](std::size_t done) -> bool {
                         if (done >= 2) throw std::runtime_error("interrupted");
                         return true;
                     },
                     std::chrono::milliseconds(1)),
                 std::runtime_error);
    EXPECT_LT(ran.load(), 1000);
}

}  // namespace
}  // namespace zemrath
