#pragma once
// Exact maximum likelihood for the measurements of one survey date, each
// censored value beyond its own depth. The table-driven estimator assumes a
// single cut-off and reaches its factor through an interpolated table and
// its moments through a coarse integration; this one maximises the
// likelihood itself and takes the moments beyond a cut-off in closed form.

#include <string>
#include <vector>

#include "prediction/censored.h"

namespace tarnovel {

// Mean and standard deviation of a normal distribution maximising the
// likelihood of the uncensored values and of each censored value lying
// deeper than (above) its cut-off.
struct NormalFit {
    bool fitted = false;
    double mu = 0;
    double sigma = 0;
    int iterations = 0;  // Newton steps taken
    std::string noFitReason;
};

// Without cut-offs this is the ordinary fit: the mean and the standard
// deviation with divisor n. No fit with fewer than two uncensored values, a
// value that is not finite, or a likelihood without a finite maximum (equal
// uncensored values and no cut-off above them: sigma would go to 0).
NormalFit FitCensoredNormal(const std::vector<double>& uncensored,
                            const std::vector<double>& cutOffs);

// The replacement for a value censored at cutOff under a fitted normal: the
// mean mu + sigma r beyond it and the variance sigma^2 (1 + a r - r^2), with
// a = (cutOff - mu) / sigma and r the inverse Mills ratio at a.
struct CensoredMoments {
    double estimate = 0;
    double variance = 0;
};
CensoredMoments MomentsBeyond(double mu, double sigma, double cutOff);

// The replacement of the values censored at cutOff, from a fit to every
// measurement of the sample: its censored values each count with their own
// depth (those without a depth are left out). h is the share censored;
// alpha and lambda keep their meaning of the table-driven report, lambda
// as the factor (m - mu) / (m - T) the exact fit amounts to.
CensoredEstimate EstimateCensoredExact(const CensoredSample& sample, double cutOff,
                                       const std::string& cutOffText);

// The exact counterpart of EstimateCensored(sample, source, showMessage):
// the same cut-off and messages (ChooseCutOff), and the replacement for
// that cut-off.
CensoredEstimate EstimateCensoredExact(const CensoredSample& sample, const std::string& source,
                                       const CensoredMessages& showMessage);

}  // namespace tarnovel
