#include "hostapi/hostapi.h"

extern "C" double hsSmoothStep(double lowerEdge, double upperEdge, double x) {
    // The lower edge is tested first, so equal edges make a step that is 0 at the edge itself.
    if (x <= lowerEdge) return 0.0;
    if (x >= upperEdge) return 1.0;
    const double t = (x - lowerEdge) / (upperEdge - lowerEdge);
    return t * t * (3.0 - 2.0 * t);
}
