#include "gui/options/OptionRecord.h"

#include "core/state/AppState.h"
#include "core/runtime/CErrorUtil.h"
#include "gui/common/UiSupport.h"
#include "core/runtime/VbConv.h"

#include <QCheckBox>

void LoadOptionBox(OptionRecord &opt, QCheckBox *box, const QString &key)
{
    box->setText(opt.Caption);
    const bool on = vb::CBool(gRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, key, opt.ValueName));
    SetCheckValue(box, BoolToCheck(on));
    opt.LoadedState = CheckValue(box);
}

void WriteOptionBox(const OptionRecord &opt, const QCheckBox *box, const QString &key)
{
    if (opt.Changed)
        gRegUtil().SaveSettingString(HKEY_LOCAL_MACHINE, key, opt.ValueName, vb::CStr(CheckToBool(CheckValue(box))));
}
