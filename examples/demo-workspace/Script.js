// Record and file rules of the schemas YSFPCGL, HGWSPZ and FJWZFPCGL.
//
// The client calls these functions by name: the schema NAME in lower case
// followed by a fixed suffix. Arguments are positional:
//
//   <name>_OnCRC(swjgdm, swsbh, periodEnd, recNo, field1, field2, ...)
//       returns the 8-character check text stored in the CRC column.
//   <name>_OnBeforePost(periodEnd, recNo, field1, field2, ...)
//       returns 0 to reject the record (the reason comes from
//       <name>_OnGetErrorMessage), 8888 when fields that must agree do not,
//       anything else to accept it.
//   computed-value functions named by REGULAREXP in the field definitions
//       take the same arguments as _OnBeforePost and return the new value
//       of the target field.
//   <name>_OnAuditFile(path)
//       path is the full path of a declared interface file; returns 1 when
//       the file is sound, 0 with the reason for <name>_OnGetErrorMessage.
//   <name>_OnGetErrorMessage(result)
//       result is the value the rejecting call returned; returns the reason
//       kept by that call, which always directly precedes this one.
//
// periodEnd is the last moment (23:59:59.999) of the report's period.
// Fields come in the column order of the schema's field-definition
// document: TEXT as a string, INTEGER, FLOAT and CURRENCY as numbers, DATE
// as a date, BOOLEAN as true or false. recNo counts from 1.
//
// Plain JScript: var and function declarations only, so that any
// ECMAScript engine runs it as well.

// ---------------------------------------------------------------- helpers

var TAXPAYER_CODE = /^[0-9A-Za-z]{15,20}$/;
var FIRST_VALID_DAY = 19900101;

function TrimText(value) {
    if (value === null || value === undefined) {
        return "";
    }
    return String(value).replace(/^\s+|\s+$/g, "");
}

function BoolValue(value) {
    if (typeof value == "string") {
        return /^true$/i.test(TrimText(value));
    }
    return value ? true : false;
}

function NumberValue(value) {
    var n = Number(value);
    return isNaN(n) ? 0 : n;
}

function DayFromText(text) {
    var m = /^(\d{4})-(\d{1,2})-(\d{1,2})/.exec(TrimText(text));
    if (!m) {
        return 0;
    }
    return Number(m[1]) * 10000 + Number(m[2]) * 100 + Number(m[3]);
}

// Calendar day yyyymmdd of a DATE field, 0 when it is no date. Hosts pass
// a date as midnight of its day, some in local time and some in UTC: the
// reading in which the moment is a midnight names the day.
function DayOfDate(value) {
    if (typeof value == "string") {
        return DayFromText(value);
    }
    var d = new Date(value);
    if (isNaN(d.getTime())) {
        return 0;
    }
    var localMidnight = d.getHours() == 0 && d.getMinutes() == 0 && d.getSeconds() == 0;
    var utcMidnight = d.getUTCHours() == 0 && d.getUTCMinutes() == 0 && d.getUTCSeconds() == 0;
    if (utcMidnight && !localMidnight) {
        return d.getUTCFullYear() * 10000 + (d.getUTCMonth() + 1) * 100 + d.getUTCDate();
    }
    return d.getFullYear() * 10000 + (d.getMonth() + 1) * 100 + d.getDate();
}

// Calendar day yyyymmdd of a moment in local time (the period end).
function DayOfMoment(value) {
    if (typeof value == "string") {
        return DayFromText(value);
    }
    var d = new Date(value);
    if (isNaN(d.getTime())) {
        return 0;
    }
    return d.getFullYear() * 10000 + (d.getMonth() + 1) * 100 + d.getDate();
}

function PeriodOf(periodEnd) {
    return String(Math.floor(DayOfMoment(periodEnd) / 100));
}

// Rounds like the report file stores amounts: to 4 decimals first, then
// to 2 decimals with halves away from zero.
function RoundMoney(value) {
    var x = NumberValue(value);
    var sign = x < 0 ? -1 : 1;
    var tenThousandths = Math.round(Math.abs(x) * 10000);
    var cents = Math.floor((tenThousandths + 50) / 100);
    return sign * cents / 100;
}

function SameMoney(a, b) {
    return Math.abs(RoundMoney(a) - RoundMoney(b)) < 0.005;
}

function MoneyKey(value) {
    return String(Math.round(RoundMoney(value) * 100));
}

// 32-bit FNV-1a over the UTF-16 code units of text, as 8 upper-case
// hexadecimal digits. Only shifts and additions, so every engine gets the
// same bits.
function CheckText8(text) {
    var h = -2128831035;
    for (var i = 0; i < text.length; i++) {
        h = h ^ text.charCodeAt(i);
        h = (h + (h << 1) + (h << 4) + (h << 7) + (h << 8) + (h << 24)) | 0;
    }
    var hex = (h >>> 0).toString(16).toUpperCase();
    while (hex.length < 8) {
        hex = "0" + hex;
    }
    return hex;
}

function AttributeText(node, name) {
    var value = node.getAttribute(name);
    if (value === null || value === undefined) {
        return "";
    }
    return String(value);
}

// Loads an interface file and checks its envelope. Returns the records
// (a node list) or a reason text.
function LoadInterfaceRecords(path, schemaName, holder) {
    var doc = new ActiveXObject("Microsoft.XMLDOM");
    doc.async = false;
    doc.load(path);
    if (doc.parseError.errorCode != 0) {
        return "申报文件无法读取：" + TrimText(doc.parseError.reason);
    }
    var root = doc.documentElement;
    if (!root || root.nodeName != "SCHEMA" ||
        AttributeText(root, "NAME").toUpperCase() != schemaName) {
        return "申报文件不是" + schemaName + "的接口文件！";
    }
    holder.period = AttributeText(root, "SSSQ");
    if (!/^\d{6}$/.test(holder.period)) {
        return "申报文件的所属期“" + holder.period + "”不正确！";
    }
    var payers = doc.getElementsByTagName("TAXPAYER");
    if (payers.length != 1) {
        return "申报文件中应当有且只有一个纳税人节点！";
    }
    var payer = payers.item(0);
    if (!TAXPAYER_CODE.test(AttributeText(payer, "SWSBH")) &&
        !/^(\d{7}|\d{9})$/.test(AttributeText(payer, "SWSBH"))) {
        return "申报文件中的纳税人识别号“" + AttributeText(payer, "SWSBH") + "”不正确！";
    }
    var records = doc.selectNodes("/SCHEMA/TAXPAYER/RECORDS/RECORD");
    var declared = AttributeText(payer, "RECORDCOUNT");
    if (!/^\d+$/.test(declared) || Number(declared) != records.length) {
        return "申报文件的记录数(" + declared + ")与实际记录数(" + records.length + ")不符！";
    }
    return records;
}

function RecordPrefix(index) {
    return "第" + (index + 1) + "条记录";
}

// ---------------------------------------------------------------- YSFPCGL
// Fields: FPDM, FPHM, KPRQ, CYRSWSBH, CYRMC, YSHWMC, HWZL, YSLC, YFJE,
// KCSE, GDZCXM, CRC.

var ysfpcgl_Message = "";
var YSFPCGL_RATE = 0.07;

function ysfpcgl_Reject(text) {
    ysfpcgl_Message = text;
    return 0;
}

function ysfpcgl_Deductible(amount) {
    return RoundMoney(NumberValue(amount) * YSFPCGL_RATE);
}

// Computed value of KCSE whenever YFJE changes.
function ysfpcgl_CalcKCSE(periodEnd, recNo, FPDM, FPHM, KPRQ, CYRSWSBH, CYRMC, YSHWMC,
                          HWZL, YSLC, YFJE, KCSE, GDZCXM, CRC) {
    return ysfpcgl_Deductible(YFJE);
}

function ysfpcgl_OnCRC(swjgdm, swsbh, periodEnd, recNo, FPDM, FPHM, KPRQ, CYRSWSBH, CYRMC,
                       YSHWMC, HWZL, YSLC, YFJE, KCSE, GDZCXM, CRC) {
    var parts = [
        TrimText(swjgdm), TrimText(swsbh).toUpperCase(), PeriodOf(periodEnd),
        TrimText(FPDM), TrimText(FPHM), String(DayOfDate(KPRQ)),
        TrimText(CYRSWSBH).toUpperCase(), TrimText(CYRMC), TrimText(YSHWMC),
        String(Math.round(NumberValue(HWZL) * 1000)), String(Math.round(NumberValue(YSLC))),
        MoneyKey(YFJE), MoneyKey(KCSE), BoolValue(GDZCXM) ? "1" : "0"
    ];
    return CheckText8(parts.join("|"));
}

function ysfpcgl_OnBeforePost(periodEnd, recNo, FPDM, FPHM, KPRQ, CYRSWSBH, CYRMC, YSHWMC,
                              HWZL, YSLC, YFJE, KCSE, GDZCXM, CRC) {
    ysfpcgl_Message = "";
    if (!/^(\d{10}|\d{12})$/.test(TrimText(FPDM))) {
        return ysfpcgl_Reject("发票代码必须是10位或12位数字！");
    }
    if (!/^\d{8}$/.test(TrimText(FPHM))) {
        return ysfpcgl_Reject("发票号码必须是8位数字！");
    }
    var day = DayOfDate(KPRQ);
    if (day < FIRST_VALID_DAY) {
        return ysfpcgl_Reject("请输入开票日期！");
    }
    if (day > DayOfMoment(periodEnd)) {
        return ysfpcgl_Reject("开票日期不能晚于所属期的最后一天！");
    }
    if (!TAXPAYER_CODE.test(TrimText(CYRSWSBH))) {
        return ysfpcgl_Reject("承运人纳税人识别号必须是15位至20位数字或字母！");
    }
    if (TrimText(CYRMC) == "") {
        return ysfpcgl_Reject("请输入承运人名称！");
    }
    if (NumberValue(HWZL) < 0) {
        return ysfpcgl_Reject("货物重量不能为负数！");
    }
    if (NumberValue(YSLC) < 0) {
        return ysfpcgl_Reject("运输里程不能为负数！");
    }
    if (NumberValue(YFJE) < 0) {
        return ysfpcgl_Reject("运费金额不能为负数！");
    }
    if (NumberValue(KCSE) < 0) {
        return ysfpcgl_Reject("允许抵扣税额不能为负数！");
    }
    if (NumberValue(KCSE) > NumberValue(YFJE)) {
        return ysfpcgl_Reject("允许抵扣税额不能大于运费金额！");
    }
    if (!SameMoney(KCSE, ysfpcgl_Deductible(YFJE))) {
        return 8888;
    }
    return 1;
}

function ysfpcgl_OnAuditFile(path) {
    ysfpcgl_Message = "";
    var holder = {};
    var records = LoadInterfaceRecords(path, "YSFPCGL", holder);
    if (typeof records == "string") {
        return ysfpcgl_Reject(records);
    }
    var lastDay = Number(holder.period) * 100 + 31;
    var seen = {};
    for (var i = 0; i < records.length; i++) {
        var rec = records.item(i);
        var key = AttributeText(rec, "FPDM") + "/" + AttributeText(rec, "FPHM");
        if (!/^(\d{10}|\d{12})\/\d{8}$/.test(key)) {
            return ysfpcgl_Reject(RecordPrefix(i) + "的发票代码或发票号码不正确！");
        }
        if (seen[key]) {
            return ysfpcgl_Reject(RecordPrefix(i) + "的发票(" + key + ")重复！");
        }
        seen[key] = true;
        var day = DayFromText(AttributeText(rec, "KPRQ"));
        if (day < FIRST_VALID_DAY) {
            return ysfpcgl_Reject(RecordPrefix(i) + "的开票日期不正确！");
        }
        if (day > lastDay) {
            return ysfpcgl_Reject(RecordPrefix(i) + "的开票日期晚于所属期！");
        }
        if (!TAXPAYER_CODE.test(AttributeText(rec, "CYRSWSBH"))) {
            return ysfpcgl_Reject(RecordPrefix(i) + "的承运人纳税人识别号不正确！");
        }
        var amount = Number(AttributeText(rec, "YFJE"));
        var tax = Number(AttributeText(rec, "KCSE"));
        if (AttributeText(rec, "YFJE") == "" || isNaN(amount) || amount < 0) {
            return ysfpcgl_Reject(RecordPrefix(i) + "的运费金额不正确！");
        }
        if (AttributeText(rec, "KCSE") == "" || isNaN(tax) || !SameMoney(tax, ysfpcgl_Deductible(amount))) {
            return ysfpcgl_Reject(RecordPrefix(i) + "的允许抵扣税额与运费金额不符！");
        }
        if (!/^[0-9A-F]{8}$/i.test(AttributeText(rec, "CRC"))) {
            return ysfpcgl_Reject(RecordPrefix(i) + "的校验码不正确！");
        }
    }
    return 1;
}

function ysfpcgl_OnGetErrorMessage(result) {
    return ysfpcgl_Message != "" ? ysfpcgl_Message : "运输发票清单数据检查未通过！";
}

// ---------------------------------------------------------------- HGWSPZ
// Fields: JKSHM, HGMC, TFRQ, HWMC, WSJG, SL, SE, BZ.

var hgwspz_Message = "";

function hgwspz_Reject(text) {
    hgwspz_Message = text;
    return 0;
}

function hgwspz_Tax(price, rate) {
    return RoundMoney(NumberValue(price) * NumberValue(rate));
}

// Computed value of SE whenever WSJG or SL changes.
function hgwspz_CalcSE(periodEnd, recNo, JKSHM, HGMC, TFRQ, HWMC, WSJG, SL, SE, BZ) {
    return hgwspz_Tax(WSJG, SL);
}

function hgwspz_OnBeforePost(periodEnd, recNo, JKSHM, HGMC, TFRQ, HWMC, WSJG, SL, SE, BZ) {
    hgwspz_Message = "";
    if (!/^[0-9A-Za-z-]{18,30}$/.test(TrimText(JKSHM))) {
        return hgwspz_Reject("缴款书号码必须是18位至30位数字、字母或“-”！");
    }
    if (TrimText(HGMC) == "") {
        return hgwspz_Reject("请输入填发海关！");
    }
    var day = DayOfDate(TFRQ);
    if (day < FIRST_VALID_DAY) {
        return hgwspz_Reject("请输入填发日期！");
    }
    if (day > DayOfMoment(periodEnd)) {
        return hgwspz_Reject("填发日期不能晚于所属期的最后一天！");
    }
    if (NumberValue(WSJG) < 0) {
        return hgwspz_Reject("完税价格不能为负数！");
    }
    if (!(NumberValue(SL) > 0 && NumberValue(SL) < 1)) {
        return hgwspz_Reject("税率必须大于0并且小于1！");
    }
    if (NumberValue(SE) < 0) {
        return hgwspz_Reject("税款金额不能为负数！");
    }
    if (NumberValue(SE) > NumberValue(WSJG)) {
        return hgwspz_Reject("税款金额不能大于完税价格！");
    }
    if (!SameMoney(SE, hgwspz_Tax(WSJG, SL))) {
        return 8888;
    }
    return 1;
}

function hgwspz_OnAuditFile(path) {
    hgwspz_Message = "";
    var holder = {};
    var records = LoadInterfaceRecords(path, "HGWSPZ", holder);
    if (typeof records == "string") {
        return hgwspz_Reject(records);
    }
    var lastDay = Number(holder.period) * 100 + 31;
    var seen = {};
    var total = 0;
    for (var i = 0; i < records.length; i++) {
        var rec = records.item(i);
        var number = TrimText(AttributeText(rec, "JKSHM"));
        if (number == "") {
            return hgwspz_Reject(RecordPrefix(i) + "没有缴款书号码！");
        }
        if (seen[number.toUpperCase()]) {
            return hgwspz_Reject(RecordPrefix(i) + "的缴款书号码“" + number + "”重复！");
        }
        seen[number.toUpperCase()] = true;
        var day = DayFromText(AttributeText(rec, "TFRQ"));
        if (day < FIRST_VALID_DAY) {
            return hgwspz_Reject(RecordPrefix(i) + "的填发日期不正确！");
        }
        if (day > lastDay) {
            return hgwspz_Reject(RecordPrefix(i) + "的填发日期晚于所属期！");
        }
        var price = Number(AttributeText(rec, "WSJG"));
        var rate = Number(AttributeText(rec, "SL"));
        var tax = Number(AttributeText(rec, "SE"));
        if (isNaN(price) || isNaN(rate) || isNaN(tax) || price < 0 || !(rate > 0 && rate < 1)) {
            return hgwspz_Reject(RecordPrefix(i) + "的完税价格或税率不正确！");
        }
        if (!SameMoney(tax, hgwspz_Tax(price, rate))) {
            return hgwspz_Reject(RecordPrefix(i) + "的税款金额与完税价格、税率不符！");
        }
        total += tax;
    }
    if (records.length > 0 && RoundMoney(total) <= 0) {
        return hgwspz_Reject("申报文件的税款金额合计必须大于零！");
    }
    return 1;
}

function hgwspz_OnGetErrorMessage(result) {
    return hgwspz_Message != "" ? hgwspz_Message : "海关完税凭证数据检查未通过！";
}

// ---------------------------------------------------------------- FJWZFPCGL
// Fields: FPHM, KPRQ, XSFSWSBH, XSFMC, HWMC, ZL, JE, KCSE, BZ.

var fjwzfpcgl_Message = "";
var FJWZFPCGL_RATE = 0.1;

function fjwzfpcgl_Reject(text) {
    fjwzfpcgl_Message = text;
    return 0;
}

function fjwzfpcgl_Deductible(amount) {
    return RoundMoney(NumberValue(amount) * FJWZFPCGL_RATE);
}

// Computed value of KCSE whenever JE changes.
function fjwzfpcgl_CalcKCSE(periodEnd, recNo, FPHM, KPRQ, XSFSWSBH, XSFMC, HWMC, ZL, JE, KCSE, BZ) {
    return fjwzfpcgl_Deductible(JE);
}

function fjwzfpcgl_OnBeforePost(periodEnd, recNo, FPHM, KPRQ, XSFSWSBH, XSFMC, HWMC, ZL, JE,
                                KCSE, BZ) {
    fjwzfpcgl_Message = "";
    if (!/^\d{8,20}$/.test(TrimText(FPHM))) {
        return fjwzfpcgl_Reject("发票号码必须是8位至20位数字！");
    }
    var day = DayOfDate(KPRQ);
    if (day < FIRST_VALID_DAY) {
        return fjwzfpcgl_Reject("请输入开票日期！");
    }
    if (day > DayOfMoment(periodEnd)) {
        return fjwzfpcgl_Reject("开票日期不能晚于所属期的最后一天！");
    }
    if (!TAXPAYER_CODE.test(TrimText(XSFSWSBH))) {
        return fjwzfpcgl_Reject("销售方纳税人识别号必须是15位至20位数字或字母！");
    }
    if (TrimText(XSFMC) == "") {
        return fjwzfpcgl_Reject("请输入销售方名称！");
    }
    if (TrimText(HWMC) == "") {
        return fjwzfpcgl_Reject("请输入货物名称！");
    }
    if (NumberValue(ZL) < 0) {
        return fjwzfpcgl_Reject("重量不能为负数！");
    }
    if (NumberValue(JE) < 0) {
        return fjwzfpcgl_Reject("金额不能为负数！");
    }
    if (NumberValue(KCSE) < 0) {
        return fjwzfpcgl_Reject("允许抵扣税额不能为负数！");
    }
    if (NumberValue(KCSE) > NumberValue(JE)) {
        return fjwzfpcgl_Reject("允许抵扣税额不能大于金额！");
    }
    if (!SameMoney(KCSE, fjwzfpcgl_Deductible(JE))) {
        return 8888;
    }
    return 1;
}

function fjwzfpcgl_OnAuditFile(path) {
    fjwzfpcgl_Message = "";
    var holder = {};
    var records = LoadInterfaceRecords(path, "FJWZFPCGL", holder);
    if (typeof records == "string") {
        return fjwzfpcgl_Reject(records);
    }
    var lastDay = Number(holder.period) * 100 + 31;
    for (var i = 0; i < records.length; i++) {
        var rec = records.item(i);
        if (!/^\d{8,20}$/.test(AttributeText(rec, "FPHM"))) {
            return fjwzfpcgl_Reject(RecordPrefix(i) + "的发票号码不正确！");
        }
        var day = DayFromText(AttributeText(rec, "KPRQ"));
        if (day < FIRST_VALID_DAY) {
            return fjwzfpcgl_Reject(RecordPrefix(i) + "的开票日期不正确！");
        }
        if (day > lastDay) {
            return fjwzfpcgl_Reject(RecordPrefix(i) + "的开票日期晚于所属期！");
        }
        if (!TAXPAYER_CODE.test(AttributeText(rec, "XSFSWSBH")) || TrimText(AttributeText(rec, "XSFMC")) == "") {
            return fjwzfpcgl_Reject(RecordPrefix(i) + "的销售方纳税人识别号或名称不正确！");
        }
        var amount = Number(AttributeText(rec, "JE"));
        var tax = Number(AttributeText(rec, "KCSE"));
        if (AttributeText(rec, "JE") == "" || isNaN(amount) || amount < 0) {
            return fjwzfpcgl_Reject(RecordPrefix(i) + "的金额不正确！");
        }
        if (AttributeText(rec, "KCSE") == "" || isNaN(tax) || !SameMoney(tax, fjwzfpcgl_Deductible(amount))) {
            return fjwzfpcgl_Reject(RecordPrefix(i) + "的允许抵扣税额与金额不符！");
        }
    }
    return 1;
}

function fjwzfpcgl_OnGetErrorMessage(result) {
    return fjwzfpcgl_Message != "" ? fjwzfpcgl_Message : "废旧物资发票清单数据检查未通过！";
}
