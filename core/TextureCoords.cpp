// Rule-based texture coordinates: each polygon names a UVFormula row that projects its points.
#include <cmath>

#include "core/ZephModel.h"

namespace pellam {
namespace {

bool axisValue(const GLT2FN3FV3FFormat& p, int axis, double& value) {
    switch (axis) {
    case 1: value = p.X; return true;
    case 2: value = p.Y; return true;
    case 3: value = p.Z; return true;
    case 4: value = p.Y; return true;  // V only: Y, with the seam fix at the band's end
    default: return false;
    }
}

}  // namespace

void ZephModel::TextureThesePolygonsNew(ObjectPointsPolysVer2* pp, const UVFormula* hints) {
    if (!pp->ThePolygons || !pp->RunItems || !hints) return;
    for (const OnePolygonVer2* poly = pp->ThePolygons; poly->MapNumber != -1; ++poly) {
        if (poly->AutoUVHint < 0 || poly->FirstItem < 0) continue;
        const UVFormula& r = hints[poly->AutoUVHint];
        if (r.Divisor == 0.0) continue;  // no rule divides by zero; keep the table's U, V
        const int n = pp->RunItems[poly->FirstItem];
        const uint16_t* run = pp->RunItems + poly->FirstItem + 1;
        auto p = [&](int i) -> GLT2FN3FV3FFormat& { return pp->ThePoints[run[i]]; };
        auto v = [&](double y) { return r.VScale * (r.VPreOffset + y) / r.Divisor + r.VPostOffset; };

        for (int i = 0; i < n; ++i) {
            GLT2FN3FV3FFormat& q = p(i);
            if (r.UAxis == 7) {
                // Strip rule: each pair of strip points shares one U, stepping along the strip.
                q.U = static_cast<float>(r.VPreOffset * std::floor(i / 2) + r.UPostOffset);
                q.V = static_cast<float>(r.VScale * (r.UPreOffset + q.Z) / r.Divisor + r.VPostOffset);
            } else {
                double a, b;
                if (axisValue(q, r.UAxis, a) && r.UAxis != 4)
                    q.U = static_cast<float>(r.UScale * (r.UPreOffset + a) / r.Divisor + r.UPostOffset);
                if (axisValue(q, r.VAxis, b)) q.V = static_cast<float>(v(b));
            }
            // Seam fix: where the end edge of a band that runs mostly up and down lies mostly flat,
            // its end point continues the band's V by the edge's length instead of repeating a height.
            if (r.VAxis == 4 && i == n - 1 && n >= 2) {
                double dy = std::fabs(p(0).Y - p(1).Y), dx = std::fabs(p(0).X - p(1).X);
                if (dy < dx) p(0).V = static_cast<float>(v(p(1).Y + dx));
                dy = std::fabs(p(n - 1).Y - p(n - 2).Y);
                dx = std::fabs(p(n - 1).X - p(n - 2).X);
                if (dy < dx) p(n - 1).V = static_cast<float>(v(p(n - 2).Y - dx));
            }
        }
    }
}

}  // namespace pellam
