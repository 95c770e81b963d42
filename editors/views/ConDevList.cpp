#include "editors/views/ConDevList.h"

#include "editors/model/SelDevModel.h"

#include <QLabel>

namespace editors {

CConDevList::CConDevList(const CViewContext& context) : CDeviceFormBase(context, kViewConDevList, {}) {}

void CConDevList::OnInitialUpdate() {
    Caption()->setText("装置总表: ");
    SetColumns({"序号", "地址", "映射地址", "型号", "类型", "版本", "装置描述"});
    FillList();
}

void CConDevList::FillList() {
    if (const projectmodel::CProjectModel* doc = Doc())
        ShowRows(CSelDevModel::MasterRows(*doc));
    else
        ShowRows({});
}

} // namespace editors
