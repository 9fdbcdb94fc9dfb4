"""The package's exceptions: one per kind of failure of the core, all under
ZemrathError, each also under the built-in exception a Python user catches
for that kind (ValueError for a value the call cannot take, MemoryError,
OSError for a file or a system resource)."""


class ZemrathError(Exception):
    """A failure of zemrath.

    Attributes:
        code: the core's name for the kind of failure ("bad_value", ...).
        subject: what the failure is about, when it is about one thing given:
            a parameter's name ("adult_survival"), "seeds", "threads", a
            file's path, an experiment's key ("vary.adult-survival.points");
            None otherwise.
    """

    code = "error"

    def __init__(self, message, subject=None):
        super().__init__(message)
        self.subject = subject or None

    def __reduce__(self):
        # Kept whole when pickled, as Dask does with a worker's failures.
        return (type(self), (str(self), self.subject))


class BadValue(ZemrathError, ValueError):
    """A value that the call cannot take: a seed outside 0 to 999, a
    parameter that does not exist or is missing, an experiment's mistake."""

    code = "bad_value"


class BadType(BadValue, TypeError):
    """A value of a type that the call cannot take (a list for a number, a
    bool for a seed); a BadValue and a TypeError both."""


class BadAnswer(ZemrathError, ValueError):
    """An answer that the prompts' number syntax cannot read ("0.5x")."""

    code = "bad_answer"


class EndOfInput(ZemrathError, ValueError):
    """Answers that end before every one is given."""

    code = "end_of_input"


class ReadFailed(ZemrathError, OSError):
    """A file that cannot be read."""

    code = "read_failed"


class WriteFailed(ZemrathError, OSError):
    """A file that cannot be written."""

    code = "write_failed"


class OutOfMemory(ZemrathError, MemoryError):
    """Memory that the run cannot have: the age classes, or the rows of every
    stream."""

    code = "out_of_memory"


class Cancelled(ZemrathError):
    """A run asked to stop other than by a signal (Ctrl-C raises
    KeyboardInterrupt, as Python's own calls do)."""

    code = "cancelled"


class SystemRefused(ZemrathError, OSError):
    """A thread or another resource that the system refuses the run."""

    code = "system_refused"

    def __init__(self, message, subject=None, errno=None):
        super().__init__(message, subject)
        self.errno = errno or None

    def __reduce__(self):
        return (type(self), (str(self), self.subject, self.errno))


_BY_CODE = {cls.code: cls for cls in (BadValue, BadAnswer, EndOfInput, ReadFailed, WriteFailed, OutOfMemory,
                                      Cancelled, SystemRefused)}


def error_class(code):
    """The exception class of a failure of the core's kind `code`."""
    return _BY_CODE.get(code, ZemrathError)


def from_core(code, message, subject, system_code):
    """The exception for a failure of the core (called by zemrath._core)."""
    cls = error_class(code)
    if cls is SystemRefused:
        return SystemRefused(message, subject, system_code)
    failure = cls(message, subject)
    if cls is ZemrathError:
        failure.code = code
    return failure


def bad_value(message, subject=None):
    return BadValue(message, subject)


def bad_type(message, subject=None):
    return BadType(message, subject)
