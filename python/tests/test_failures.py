"""What a hostile user meets: memory that cannot be had, threads the system
refuses, Ctrl-C at any moment; never a crash or a hang, and the next call
works."""

import os
import signal
import subprocess
import sys
import textwrap
import threading
import time

import pandas as pd
import pytest

import zemrath
from conftest import parameters_of


def test_memory_that_cannot_be_had_is_a_memory_error_and_the_next_run_works():
    p = parameters_of("small")
    with pytest.raises(zemrath.OutOfMemory, match="not enough memory for the rows of every stream") as caught:
        zemrath.run_ensemble(p.replace(generations=2147483647), threads=2)
    assert isinstance(caught.value, MemoryError)
    with pytest.raises(zemrath.OutOfMemory):
        zemrath.run_stream(p.replace(max_reproduction_age=2147483647), 1, threads=2)
    with pytest.raises(MemoryError, match="not enough memory for 2147483647 age classes"):
        zemrath.run_ensemble(p.replace(max_reproduction_age=2147483647), seeds="0-9", threads=2)
    # The worker threads stopped cleanly and serve the next run.
    pd.testing.assert_frame_equal(zemrath.run_ensemble(p, seeds="0-99", threads=2).summary,
                                  zemrath.run_ensemble(p, seeds="0-99", threads=1).summary, check_exact=True)


def test_other_python_threads_run_while_the_core_runs():
    p = parameters_of("large").replace(generations=8)
    ticks = []
    done = threading.Event()

    def tick():
        while not done.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.001)

    ticker = threading.Thread(target=tick)
    ticker.start()
    try:
        started = time.monotonic()
        zemrath.run_ensemble(p, seeds="0-1", threads=2)
        ended = time.monotonic()
    finally:
        done.set()
        ticker.join()
    during = [t for t in ticks if started < t < ended]
    # The interpreter's lock is held only for the moments of a question: the
    # other thread ticks all along (it could not tick at all otherwise).
    assert ended - started > 0.2
    assert len(during) >= 5


def run_child(code, timeout=60):
    """Starts a Python process running `code`, which prints "started" before its
    long call; sends SIGINT a second later; its output once it ended."""
    child = subprocess.Popen([sys.executable, "-c", textwrap.dedent(code)], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "started\n"
        time.sleep(1)
        child.send_signal(signal.SIGINT)
        # A guard, not a measure: a run that went on would take minutes.
        out, err = child.communicate(timeout=timeout)
    finally:
        if child.poll() is None:
            child.kill()
            child.communicate()
    assert child.returncode == 0, err
    return out


LONG = "zemrath.parameters(0.5, 0.8, 0.5, 2000000, 2, 0.5, 0.1, 8, 6, {generations})"


@pytest.mark.parametrize("what, generations, call", [
    ("a stream of many generations", 5000, "zemrath.run_stream(long, 1, threads=2)"),
    ("two streams of many generations", 5000, "zemrath.run_ensemble(long, seeds='0-1', threads=2)"),
    ("many streams of few generations", 8, "zemrath.run_ensemble(long, threads=2)"),
    ("a sweep of long points", 5000,
     "zemrath.run_sweep({'parameters': long, 'seeds': '0-1', 'vary': {'generations': {'values': [5000, 5001]}}})"),
])
def test_ctrl_c_stops_a_long_call_and_the_next_call_works(what, generations, call):
    out = run_child(f"""
        import time, zemrath
        long = {LONG.format(generations=generations)}
        small = zemrath.parameters(0.013, 0.8, 0.5, 400, 2, 0.5, 0.1, 4, 1, 30)
        print("started", flush=True)
        try:
            {call}
            print("finished")
        except KeyboardInterrupt:
            print("interrupted")
        print(zemrath.run_ensemble(small, seeds="0-99", threads=2).summary.to_csv(index=False), end="")
    """)
    outcome, after = out.split("\n", 1)
    assert outcome == "interrupted", what
    expected = zemrath.run_ensemble(parameters_of("small"), seeds="0-99", threads=2).summary
    assert after == expected.to_csv(index=False), what


def test_threads_that_the_system_refuses_leave_the_work_to_those_there_are():
    # An address space too small for the stacks of 1024 threads: most of
    # them cannot start, and the long counts run on the others.
    script = textwrap.dedent("""
        import zemrath
        large = zemrath.parameters(0.5, 0.8, 0.5, 2000000, 2, 0.5, 0.1, 8, 6, 6)
        print(zemrath.run_stream(large, 7, threads=1024).to_csv(index=False), end="")
    """)
    limits = "ulimit -s 65536 && ulimit -v 2000000"
    if subprocess.run(["sh", "-c", limits]).returncode != 0:
        pytest.skip("the shell cannot set the limits on the stack and the address space")
    child = subprocess.run(["sh", "-c", f'{limits} && exec "$0" -c "$1"', sys.executable, script],
                           capture_output=True, text=True, timeout=300)
    assert child.returncode == 0, child.stderr
    assert child.stdout == zemrath.run_stream(parameters_of("large"), 7, threads=2).to_csv(index=False)
