#pragma once

#include <QString>

// Messages of the report dataset, shared by its implementation files.
inline const QString kDuplicateKey = QStringLiteral("您录入了重复数据,请检查!(数据项重复)");
inline const QString kKeyConflict = QStringLiteral("系统发生关键字冲突,请检查记录是否已存在!");
inline const QString kNoRecord = QStringLiteral("数据表记录为空!");
