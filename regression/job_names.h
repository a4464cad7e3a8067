#pragma once
// How the jobs of a regression run are named. The names tie the run, the
// results tab and the prediction together: a job is found again only by its
// file name, "stratum-date1-date2-kind-tag.dat", its result file ".out" and
// its scatterplot ".wmf" beside it.

#include <string>
#include <string_view>

namespace tarnovel {

// The stratum of the pooled jobs (all records, whatever their stratum).
inline constexpr const char* kPooledStratum = "nostrata";

// The weighting tags of a job name.
inline constexpr const char* kUnweightedTag = "ong";
inline constexpr const char* kWeightedTag = "gew";

// The tag of a weighting selector's text: unweighted when the text says so,
// weighted for any other text.
std::string WeightingTag(std::string_view weightingText);

// "stratum-date1-date2-kind-tag", the name of a job without its extension.
std::string JobBaseName(std::string_view stratum, std::string_view date1, std::string_view date2,
                        std::string_view kind, std::string_view tag);

}  // namespace tarnovel
