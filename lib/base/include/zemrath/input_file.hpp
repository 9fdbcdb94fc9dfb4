// Reading a file that a user names as input (answers, an experiment, a
// results file to identify).
//
// What the path names is looked at before a byte is read: a directory, a
// device, a pipe or a socket is refused, since reading one either fails in
// an unhelpful way, never ends (/dev/zero, a FIFO nobody writes to) or takes
// what was meant for something else; so is a file larger than any input of
// its kind can be, before it fills the memory. A FIFO or a device is never
// opened, so refusing it cannot block or act on the device.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zemrath {

// What a file is meant to be, for the checks and the messages.
struct input_kind {
    std::string_view name;  // "answers file": the messages put "a" or "an" in front
    std::size_t limit;      // the most bytes such a file can have
};

// The whole file. Throws zemrath::error: read_failed ("cannot open answers
// file PATH: reason") when it cannot be opened or read, bad_value naming the
// path and what it is when it is no plain file ("PATH is a directory, not an
// answers file") or holds more than kind.limit bytes, even when it grows
// while being read.
std::string read_input_file(const std::string& path, const input_kind& kind);

// Why a file at path cannot be such an input, as the messages above word it
// after the path ("is a directory, not an answers file"), or "" when it is
// a plain file within the limit. A path that names nothing gives "".
std::string unfit_input_reason(const std::string& path, const input_kind& kind);

}  // namespace zemrath
