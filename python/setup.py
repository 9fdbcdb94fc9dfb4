"""Builds the package's extension, zemrath._core, from the checkout's own
sources: the simulation library (../lib), the words the front ends share
(../frontend/text) and the experiment file's reader (../frontend/sweep),
the same files that the CMake build and the R package compile, with the
settings the library needs (C++20, no floating-point contraction, threads)
and the project's warnings.
Nothing is copied: the package builds only inside a checkout of the
project, as

    /usr/bin/python3 -m pip install --no-build-isolation ./python
"""

import os
import pathlib
import re
import shlex
import subprocess

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension, build_ext
from setuptools import setup

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
CORE_FOLDERS = ("lib", "frontend/text", "frontend/sweep")


def project_version():
    """The project's version, from its CMakeLists.txt, which every build shares."""
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\(zemrath\s+VERSION\s+([0-9.]+)", text)
    if match is None:
        raise RuntimeError(f"no project version in {ROOT / 'CMakeLists.txt'}: is this a checkout of zemrath?")
    return match.group(1)


def files(pattern):
    """The files of the core's folders and of extension/ that match, sorted,
    relative to this folder (as setuptools wants them)."""
    found = [path for folder in CORE_FOLDERS for path in (ROOT / folder).rglob(pattern)]
    found += (HERE / "extension").glob(pattern)
    return sorted(os.path.relpath(path, HERE) for path in found)


def include_folders():
    """The library's public headers (lib/include and each layer's include/),
    the headers of its layers (internal/), and the front ends' folder."""
    lib = ROOT / "lib"
    layers = sorted(path for path in lib.iterdir() if (path / "CMakeLists.txt").exists())
    folders = [lib / "include", ROOT / "frontend"]
    for layer in layers:
        folders += [layer / part for part in ("include", "internal") if (layer / part).is_dir()]
    return [str(folder) for folder in folders]


def pkg_config(*arguments):
    try:
        result = subprocess.run(["pkg-config", *arguments, "tomlplusplus"], check=True, capture_output=True, text=True)
    except (OSError, subprocess.CalledProcessError) as failure:
        raise RuntimeError("toml++ is needed (Debian: libtomlplusplus-dev, with pkg-config)") from failure
    return shlex.split(result.stdout)


HEADERS = files("*.hpp")


def needs_recompile(obj, src):
    """An object is compiled again when its source or any header is newer."""
    built = os.stat(obj).st_mtime
    return built < os.stat(src).st_mtime or any(built < os.stat(header).st_mtime for header in HEADERS)


class build_with_version(build_ext):
    """Writes the version header as the CMake build writes it, then builds."""

    def run(self):
        generated = pathlib.Path(self.build_temp).resolve() / "generated"
        header = generated / "zemrath" / "version.hpp"
        template = (ROOT / "lib/base/include/zemrath/version.hpp.in").read_text(encoding="utf-8")
        text = template.replace("@PROJECT_VERSION@", project_version())
        header.parent.mkdir(parents=True, exist_ok=True)
        if not header.exists() or header.read_text(encoding="utf-8") != text:
            header.write_text(text, encoding="utf-8")
        for extension in self.extensions:
            extension.include_dirs.insert(0, str(generated))
        super().run()


ParallelCompile("ZEMRATH_BUILD_JOBS", needs_recompile=needs_recompile).install()

core = Pybind11Extension(
    "zemrath._core",
    sources=files("*.cpp"),
    depends=HEADERS,
    include_dirs=include_folders(),
    cxx_std=20,
    extra_compile_args=["-Wall", "-Wextra", "-Wpedantic", "-ffp-contract=off", "-pthread", *pkg_config("--cflags")],
    extra_link_args=["-pthread", *pkg_config("--libs")],
)

setup(version=project_version(), ext_modules=[core], cmdclass={"build_ext": build_with_version})
