// One pool of worker threads for the whole process, shared by all parallel
// work: the streams of an ensemble and the lane groups of a long count.
//
// Workers start when a job first needs them and then wait for the next one,
// so no job pays for starting threads. A job takes idle workers up to the
// number of threads it asks for; a job posted while the workers are busy (a
// count inside a stream that a worker runs) gets fewer of them, or none, and
// never waits for them. Each worker runs in the model's floating-point
// environment. A thread that the system refuses to start leaves a job to
// the workers there are; a watched job that gets none fails with
// out_of_memory.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "zemrath/threads.hpp"

namespace zemrath {

// Runs task(i) for every i in [0, count) on the calling thread and on up to
// resolve_threads(threads) - 1 workers, and returns when every call has
// returned. When a task throws, no further task starts and the first
// exception is rethrown here after the others have returned.
void parallel_for(std::size_t count, int threads, const std::function<void(std::size_t)>& task);

// Runs task(i) for every i in [0, count) on up to resolve_threads(threads)
// workers while the calling thread only watches: it calls watch(done) at
// once and then every `interval` until all tasks are done. When watch
// returns false, no further task starts; the tasks under way finish, and the
// call returns false. Exceptions from a task or from watch stop the job in
// the same way and are rethrown once no task is running any more. Returns
// true when every task ran.
bool parallel_for_watched(std::size_t count, int threads, const std::function<void(std::size_t)>& task,
                          const std::function<bool(std::size_t done)>& watch, std::chrono::milliseconds interval);

}  // namespace zemrath
