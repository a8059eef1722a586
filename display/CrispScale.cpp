#include "display/CrispScale.h"

#include <algorithm>

CrispScalePlan planCrispScale(int32_t outputWidth, int32_t outputHeight, int32_t pictureWidth,
                              int32_t pictureHeight) {
    CrispScalePlan plan;
    if (outputWidth <= 0 || outputHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
        plan.width = std::max(outputWidth, 0);
        plan.height = std::max(outputHeight, 0);
        return plan;
    }
    // Fit: the side that limits the scale fills the output, the other keeps
    // the aspect (rounded to the nearest pixel).
    const int64_t ow = outputWidth, oh = outputHeight, pw = pictureWidth, ph = pictureHeight;
    if (ow * ph <= oh * pw) {
        plan.width = outputWidth;
        plan.height = static_cast<int32_t>((ow * ph * 2 + pw) / (pw * 2));
    } else {
        plan.height = outputHeight;
        plan.width = static_cast<int32_t>((oh * pw * 2 + ph) / (ph * 2));
    }
    plan.width = std::max(plan.width, 1);
    plan.height = std::max(plan.height, 1);
    plan.x = (outputWidth - plan.width) / 2;
    plan.y = (outputHeight - plan.height) / 2;

    if (plan.width < pictureWidth || plan.height < pictureHeight) {
        plan.prescale = 0;
    } else if (plan.width % pictureWidth == 0 &&
               plan.height == plan.width / pictureWidth * pictureHeight) {
        plan.prescale = 1;
    } else {
        const int32_t upTo = (plan.width + pictureWidth - 1) / pictureWidth;
        plan.prescale = std::clamp(upTo, 2, maxPrescale);
    }
    return plan;
}
