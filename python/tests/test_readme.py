"""The README's worked example runs as printed there, every line of its
output checked (doctest)."""

import doctest
import os
import pathlib
import re

import matplotlib
import pytest

matplotlib.use("Agg")

SOURCE = pathlib.Path(os.environ.get("ZEMRATH_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))


def readme_example():
    readme = SOURCE / "README.md"
    if not readme.exists():
        pytest.skip(f"no README.md at {SOURCE}: set ZEMRATH_SOURCE_DIR to the checkout")
    match = re.search(r"<!-- python-example:begin -->\n```pycon\n(.*?)```\n<!-- python-example:end -->",
                      readme.read_text(), re.S)
    assert match, "the README has no Python example between its markers"
    return match.group(1)


def test_the_readme_example_prints_what_the_readme_shows(tmp_path, monkeypatch):
    # Run from a folder like the checkout's, which has the example experiment.
    (tmp_path / "docs").symlink_to(SOURCE / "docs")
    monkeypatch.chdir(tmp_path)
    test = doctest.DocTestParser().get_doctest(readme_example(), {}, "README.md", "README.md", 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    failures = []
    runner.run(test, out=failures.append)
    assert runner.failures == 0, "".join(failures)
    assert runner.tries > 10
    assert (tmp_path / "python-ensemble.png").stat().st_size > 10000
