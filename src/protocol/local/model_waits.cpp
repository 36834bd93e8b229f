#include "protocol/local/model_waits.h"

namespace kyv {

bool slowSectorCrcModel(const CommandContext& context)
{
    for (const char* model : {"Q58X-E616", "R241", "R241-Y270", "R241-Y480", "R451", "R453", "R243"})
        if (context.isModel(model))
            return true;
    return false;
}

bool erasesUserArea(const CommandContext& context)
{
    return context.isModel("R451") || context.isModel("R451-2XX8/3XX8/4XX8/6XX8") ||
           context.isModel("R241-2XX8/3XX8/4XX8");
}

} // namespace kyv
