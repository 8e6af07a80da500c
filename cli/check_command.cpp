// lorix-cli check LIB: the Check Consistency command on a library file.

#include "cli/cli.h"
#include "view/consistency.h"

#include <ostream>

namespace lorix::cli {

int CheckCommand(Context& c)
{
    if (!Load(c, c.args[0]))
        return kExitNothing;
    return CheckConsistency(c.session, c.session.PdfPath()) ? kExitOk : kExitNothing;
}

} // namespace lorix::cli
