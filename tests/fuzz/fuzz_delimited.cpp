// The delimited reader: separator candidates from the first line, the
// proposal, and the whole file read into the grid with and without runs of
// the separator collapsed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/io_error.h"
#include "controls/controls.h"
#include "tables/delimited_reader.h"
#include "tables/table_grid.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarnovel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ProposeSeparator(FindSeparatorCandidates(text.substr(0, text.find('\n'))));

    const std::string file = fuzz::WriteInput("table.csv", data, size);
    try {
        RadioGroup rdgrpSEP;
        ReaderState state;
        DetectSeparator(file, rdgrpSEP, state);
        for (const bool collapse : {false, true}) {
            CheckBox chckbxMultiple;
            chckbxMultiple.checked = collapse;
            TableGrid grid;
            FillGrid(file, rdgrpSEP, chckbxMultiple, state, grid);
        }
    } catch (const IoError&) {
    }
    return 0;
}
