#include "context.h"
#include "operations.h"

#include "store/recordnumbers.h"

namespace ordovan::app {

void setNewRecordsFilters(Context &ctx)
{
    MainState &s = ctx.state;
    s.run.newRecordsFilter1 =
        QStringLiteral("ID > %1").arg(readGlobalInteger(ctx, store::RecordNumbers::kDomestic));
    s.run.newRecordsFilterAZV =
        QStringLiteral("ID > %1").arg(readGlobalInteger(ctx, store::RecordNumbers::kSepa));
    ctx.data.ClientDataSet1.setFilter(s.run.newRecordsFilter1);
    ctx.data.ClientDataSetAZV.setFilter(s.run.newRecordsFilterAZV);
    ctx.data.ClientDataSet1.setFiltered(true);
    ctx.data.ClientDataSetAZV.setFiltered(true);
}

} // namespace ordovan::app
