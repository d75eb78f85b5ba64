#pragma once

#include <QString>

// Messages of the report dataset, shared by its implementation files.
inline const QString kDuplicateKey = QStringLiteral("您录入了重复数据,请检查!(数据项重复)");
inline const QString kKeyConflict = QStringLiteral("系统发生关键字冲突,请检查记录是否已存在!");
inline const QString kNoRecord = QStringLiteral("数据表记录为空!");

// What loading a report tells the operator about its journal and its file.
inline const QString kJournalDamaged =
    QStringLiteral("报表\"%S\"的日志文件已损坏,有 %d 项修改未能恢复,日志文件已另存为\"%S\"!");
inline const QString kJournalForeign =
    QStringLiteral("报表\"%S\"旁的日志文件不属于这个报表文件,其中 %d 项修改没有应用,日志文件已另存为\"%S\"!");
inline const QString kSaveDeferredDiskFull = QStringLiteral(
    "磁盘空间已满,报表\"%S\"暂时不能保存!未保存的修改已从日志文件中恢复,日志文件保留到报表保存成功为止。");
inline const QString kSaveDeferred = QStringLiteral(
    "报表\"%S\"暂时不能保存(%S)!未保存的修改已从日志文件中恢复,日志文件保留到报表保存成功为止。");
inline const QString kFileReadOnlyNotice = QStringLiteral("报表文件\"%S\"是只读文件,只能查看,不能修改!");
inline const QString kFolderNotWritableNotice =
    QStringLiteral("报表\"%S\"所在的文件夹不能写入(%S),只能查看,不能修改!");
