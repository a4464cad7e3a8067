#include "regression/job_names.h"

#include "common/text.h"

namespace tarnovel {

std::string WeightingTag(std::string_view weightingText) {
    return Contains(weightingText, "unweighted") ? kUnweightedTag : kWeightedTag;
}

std::string JobBaseName(std::string_view stratum, std::string_view date1, std::string_view date2,
                        std::string_view kind, std::string_view tag) {
    std::string name;
    name.reserve(stratum.size() + date1.size() + date2.size() + kind.size() + tag.size() + 4);
    for (std::string_view part : {stratum, date1, date2, kind}) {
        name += part;
        name += '-';
    }
    name += tag;
    return name;
}

}  // namespace tarnovel
