#pragma once

// The options of one picture load, as passed by the caller and after normalisation.
struct LoadOptions {
    int iconSize = 0;
    int iconColorDepth = 0;
    int desiredIconCx = 0;
    int desiredIconCy = 0;
    bool keepOriginalFormat = false;
    int requiredFormat = 0;
    // KeepOriginalFormat as passed, remembered for the icon conversion.
    bool rememberedKeepOriginal = false;

    bool operator==(const LoadOptions& o) const
    {
        return iconSize == o.iconSize && iconColorDepth == o.iconColorDepth &&
               desiredIconCx == o.desiredIconCx && desiredIconCy == o.desiredIconCy &&
               keepOriginalFormat == o.keepOriginalFormat && requiredFormat == o.requiredFormat &&
               rememberedKeepOriginal == o.rememberedKeepOriginal;
    }
};
