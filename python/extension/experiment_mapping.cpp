#include "experiment_mapping.hpp"

#include <cstdint>

#include "zemrath/error.hpp"

namespace zemrath::python {

namespace py = pybind11;

namespace {

[[noreturn]] void refuse(const std::string& key, const std::string& reason) {
    throw error(error_code::bad_value, "experiment: " + key + ": " + reason, key);
}

std::string type_name(const py::handle& value) { return py::str(py::type::handle_of(value).attr("__name__")); }

bool is_mapping(const py::handle& value) {
    return py::isinstance(value, py::module_::import("collections.abc").attr("Mapping"));
}

bool is_sequence(const py::handle& value) {
    if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value)) return false;
    return py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value) ||
           py::isinstance(value, py::module_::import("numpy").attr("ndarray"));
}

toml::table table_of(const py::handle& mapping, const std::string& prefix);

toml::array array_of(const py::handle& sequence, const std::string& key);

// One value, as the TOML reader would have given it, handed to put().
template <typename Put>
void convert(const py::handle& value, const std::string& key, Put&& put) {
    PyObject* const object = value.ptr();
    if (PyBool_Check(object)) return put(toml::value<bool>(value.cast<bool>()));
    if (PyLong_Check(object) || (PyIndex_Check(object) && !PyFloat_Check(object))) {
        const py::object whole = py::reinterpret_steal<py::object>(PyNumber_Index(object));
        if (!whole) {
            PyErr_Clear();
            refuse(key, "a " + type_name(value) + " is not a number an experiment takes");
        }
        int overflow = 0;
        const long long number = PyLong_AsLongLongAndOverflow(whole.ptr(), &overflow);
        if (overflow != 0) refuse(key, std::string(py::str(whole)) + " is out of range");
        return put(toml::value<std::int64_t>(number));
    }
    if (py::isinstance<py::str>(value)) return put(toml::value<std::string>(value.cast<std::string>()));
    if (PyFloat_Check(object) || py::hasattr(value, "__float__")) return put(toml::value<double>(value.cast<double>()));
    if (is_mapping(value)) return put(table_of(value, key + "."));
    if (is_sequence(value)) return put(array_of(value, key));
    refuse(key, "a " + type_name(value) + " is not a value an experiment takes");
}

toml::array array_of(const py::handle& sequence, const std::string& key) {
    toml::array array;
    for (const py::handle item : py::iter(sequence))
        convert(item, key, [&](auto&& node) { array.push_back(std::move(node)); });
    return array;
}

// The keys carry their place as their column on line 0 (see
// sweep/experiment_table.hpp).
toml::table table_of(const py::handle& mapping, const std::string& prefix) {
    toml::table table;
    std::uint32_t place = 0;
    for (const py::handle item : py::iter(mapping.attr("items")())) {
        const py::tuple entry = py::reinterpret_borrow<py::tuple>(item);
        if (!py::isinstance<py::str>(entry[0]))
            refuse(prefix.empty() ? "keys" : prefix.substr(0, prefix.size() - 1),
                   "keys must be str, not " + type_name(entry[0]));
        const std::string name = entry[0].cast<std::string>();
        ++place;
        toml::source_region at;
        at.begin = {0, place};
        at.end = {0, place};
        convert(entry[1], prefix + name, [&](auto&& node) { table.insert(toml::key(name, at), std::move(node)); });
    }
    return table;
}

}  // namespace

toml::table experiment_table(const py::handle& mapping) {
    if (!is_mapping(mapping)) throw error(error_code::bad_value, "an experiment is a mapping or a file's path");
    return table_of(mapping, "");
}

}  // namespace zemrath::python
