// The hand-off reader: the same bytes as temp.csv and as temp.txt of both
// windows, and the field splitter on the first line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/io_error.h"
#include "tables/handoff.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarnovel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view first = text.substr(0, text.find('\n'));
    for (const char* separator : {";", ",", "\t", " ", ""}) {
        SplitFields(first, separator);
        LeadingFieldCount(first, separator);
        leesveld(3, first, separator);
    }

    const std::string table = fuzz::WriteInput(kHandoffTableFile, data, size);
    try {
        ReadHandoffTable(table);
    } catch (const IoError&) {
    }
    const std::string roles = fuzz::WriteInput(kHandoffRoleFile, data, size);
    try {
        ReadPiezometerRoleFile(roles);
    } catch (const IoError&) {
    }
    try {
        ReadFieldRoleFile(roles);
    } catch (const IoError&) {
    }
    return 0;
}
