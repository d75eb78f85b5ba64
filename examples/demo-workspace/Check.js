// Check rules of the declarations received: the interface files of the
// schemas YSFPCGL, HGWSPZ and FJWZFPCGL.
//
// The checker calls two kinds of functions:
//
//   GetSchemaList()
//       returns one line per schema it can check, "code|name", the lines
//       separated by CR LF.
//   <code>_CheckFile(path)
//       path is the full path of an interface file whose CRC the checker
//       has verified. Returns the results as INI text:
//         [基本信息]  纳税人识别号, 所属区间, 申报日期, 纳税人名称, 采集单位名称
//         [合计项目]  记录数 and the amount totals, one key each
//         [检查结果]  one numbered key per error found ("1=第3条记录的...")
//       A file that cannot be read at all gives one error and no totals.
//
// Plain JScript: var and function declarations only.

// ---------------------------------------------------------------- helpers

var TAXPAYER_CODE = /^[0-9A-Za-z]{15,20}$/;
var OLD_TAXPAYER_CODE = /^(\d{7}|\d{9})$/;
var FIRST_VALID_DAY = 19900101;
var MAX_ERRORS = 500;

function GetSchemaList() {
    return "ysfpcgl|运输发票清单\r\nhgwspz|海关完税凭证\r\nfjwzfpcgl|废旧物资发票清单";
}

function TrimText(value) {
    if (value === null || value === undefined) {
        return "";
    }
    return String(value).replace(/^\s+|\s+$/g, "");
}

function AttributeText(node, name) {
    var value = node.getAttribute(name);
    if (value === null || value === undefined) {
        return "";
    }
    return String(value);
}

// Values go into one INI line: no line breaks, no enclosing quotes lost.
function IniValue(text) {
    return String(text).replace(/[\r\n]+/g, " ");
}

function DayFromText(text) {
    var m = /^(\d{4})-(\d{1,2})-(\d{1,2})$/.exec(TrimText(text));
    if (!m) {
        return 0;
    }
    var month = Number(m[2]);
    var day = Number(m[3]);
    if (month < 1 || month > 12 || day < 1 || day > 31) {
        return 0;
    }
    return Number(m[1]) * 10000 + month * 100 + day;
}

// Rounds like the report file stores amounts: to 4 decimals first, then
// to 2 decimals with halves away from zero.
function RoundMoney(value) {
    var x = Number(value);
    if (isNaN(x)) {
        return 0;
    }
    var sign = x < 0 ? -1 : 1;
    var tenThousandths = Math.round(Math.abs(x) * 10000);
    var cents = Math.floor((tenThousandths + 50) / 100);
    return sign * cents / 100;
}

function SameMoney(a, b) {
    return Math.abs(RoundMoney(a) - RoundMoney(b)) < 0.005;
}

// Totals are kept in cents, so that adding many amounts stays exact.
function Cents(value) {
    return Math.round(RoundMoney(value) * 100);
}

function MoneyText(cents) {
    var sign = cents < 0 ? "-" : "";
    var a = Math.abs(cents);
    var fraction = String(a % 100);
    if (fraction.length < 2) {
        fraction = "0" + fraction;
    }
    return sign + String(Math.floor(a / 100)) + "." + fraction;
}

// An amount as the interface file writes it: a plain decimal number.
function AmountOf(rec, name) {
    var text = TrimText(AttributeText(rec, name));
    if (!/^-?\d+(\.\d+)?$/.test(text)) {
        return NaN;
    }
    return Number(text);
}

function RecordPrefix(index) {
    return "第" + (index + 1) + "条记录";
}

// The results being gathered for one file.
function NewReport() {
    return { basic: [], totals: [], errors: [] };
}

function AddError(report, text) {
    if (report.errors.length < MAX_ERRORS) {
        report.errors.push(text);
    } else if (report.errors.length == MAX_ERRORS) {
        report.errors.push("错误太多，其余错误不再列出！");
    }
}

function ReportText(report) {
    var lines = ["[基本信息]"];
    var i;
    for (i = 0; i < report.basic.length; i++) {
        lines.push(report.basic[i][0] + "=" + IniValue(report.basic[i][1]));
    }
    lines.push("[合计项目]");
    for (i = 0; i < report.totals.length; i++) {
        lines.push(report.totals[i][0] + "=" + IniValue(report.totals[i][1]));
    }
    lines.push("[检查结果]");
    for (i = 0; i < report.errors.length; i++) {
        lines.push(String(i + 1) + "=" + IniValue(report.errors[i]));
    }
    return lines.join("\r\n") + "\r\n";
}

// Loads the interface file, fills the basic information and checks the
// envelope: schema, period, taxpayer and record count. Returns the
// RECORD nodes, or null when the file cannot be checked any further.
function LoadDeclaration(path, schemaName, report) {
    var doc = new ActiveXObject("Microsoft.XMLDOM");
    doc.async = false;
    doc.load(path);
    if (doc.parseError.errorCode != 0) {
        AddError(report, "申报文件无法读取：" + TrimText(doc.parseError.reason));
        return null;
    }
    var root = doc.documentElement;
    if (!root || root.nodeName != "SCHEMA") {
        AddError(report, "申报文件不是接口文件！");
        return null;
    }
    var payers = doc.selectNodes("/SCHEMA/TAXPAYER");
    var payer = payers.length > 0 ? payers.item(0) : null;
    var period = AttributeText(root, "SSSQ");
    report.basic.push(["纳税人识别号", payer ? AttributeText(payer, "SWSBH") : ""]);
    report.basic.push(["所属区间", period]);
    report.basic.push(["申报日期", payer ? AttributeText(payer, "SBRQ") : ""]);
    report.basic.push(["纳税人名称", payer ? AttributeText(payer, "NSRMC") : ""]);
    report.basic.push(["采集单位名称", payer ? AttributeText(payer, "CJRMC") : ""]);

    if (AttributeText(root, "NAME").toUpperCase() != schemaName) {
        AddError(report, "申报文件不是" + schemaName + "的接口文件！");
        return null;
    }
    if (payers.length != 1) {
        AddError(report, "申报文件中应当有且只有一个纳税人节点！");
        return null;
    }
    if (!/^\d{6}$/.test(period) || Number(period.substr(4, 2)) < 1 || Number(period.substr(4, 2)) > 12) {
        AddError(report, "申报文件的所属区间“" + period + "”不正确！");
    }
    var swsbh = AttributeText(payer, "SWSBH");
    if (!TAXPAYER_CODE.test(swsbh) && !OLD_TAXPAYER_CODE.test(swsbh)) {
        AddError(report, "纳税人识别号“" + swsbh + "”不正确！");
    }
    if (TrimText(AttributeText(payer, "NSRMC")) == "") {
        AddError(report, "纳税人名称不能为空！");
    }
    var declaredDay = DayFromText(AttributeText(payer, "SBRQ"));
    if (declaredDay < FIRST_VALID_DAY) {
        AddError(report, "申报日期“" + AttributeText(payer, "SBRQ") + "”不正确！");
    } else if (/^\d{6}$/.test(period) && Math.floor(declaredDay / 100) < Number(period)) {
        AddError(report, "申报日期早于所属区间！");
    }
    var records = doc.selectNodes("/SCHEMA/TAXPAYER/RECORDS/RECORD");
    var declared = AttributeText(payer, "RECORDCOUNT");
    if (!/^\d+$/.test(declared) || Number(declared) != records.length) {
        AddError(report, "申报文件的记录数(" + declared + ")与实际记录数(" + records.length + ")不符！");
    }
    report.period = period;
    return records;
}

// The last day yyyymmdd a document of the period may carry.
function LastDayOf(period) {
    return /^\d{6}$/.test(period) ? Number(period) * 100 + 31 : 99991231;
}

function CheckDay(report, rec, i, name, caption, lastDay) {
    var text = AttributeText(rec, name);
    var day = DayFromText(text);
    if (day < FIRST_VALID_DAY) {
        AddError(report, RecordPrefix(i) + "的" + caption + "“" + text + "”不正确！");
    } else if (day > lastDay) {
        AddError(report, RecordPrefix(i) + "的" + caption + "晚于所属区间！");
    }
}

// An amount that must be a number not below zero; returns it, or NaN
// after saying why.
function CheckAmount(report, rec, i, name, caption) {
    var value = AmountOf(rec, name);
    if (isNaN(value)) {
        AddError(report, RecordPrefix(i) + "的" + caption + "“" + AttributeText(rec, name) + "”不是数字！");
    } else if (value < 0) {
        AddError(report, RecordPrefix(i) + "的" + caption + "不能为负数！");
    }
    return value;
}

// ---------------------------------------------------------------- YSFPCGL
// Fields: FPDM, FPHM, KPRQ, CYRSWSBH, CYRMC, YSHWMC, HWZL, YSLC, YFJE,
// KCSE, GDZCXM, CRC. The deductible tax is 7% of the freight.

function ysfpcgl_CheckFile(path) {
    var report = NewReport();
    var records = LoadDeclaration(path, "YSFPCGL", report);
    if (records === null) {
        return ReportText(report);
    }
    var lastDay = LastDayOf(report.period);
    var seen = {};
    var freight = 0;
    var tax = 0;
    var fixedAssets = 0;
    for (var i = 0; i < records.length; i++) {
        var rec = records.item(i);
        var code = AttributeText(rec, "FPDM");
        var number = AttributeText(rec, "FPHM");
        if (!/^(\d{10}|\d{12})$/.test(code)) {
            AddError(report, RecordPrefix(i) + "的发票代码“" + code + "”不正确！");
        }
        if (!/^\d{8}$/.test(number)) {
            AddError(report, RecordPrefix(i) + "的发票号码“" + number + "”不正确！");
        }
        var key = code + "/" + number;
        if (seen[key]) {
            AddError(report, RecordPrefix(i) + "的发票(" + key + ")与第" + seen[key] + "条记录重复！");
        } else {
            seen[key] = i + 1;
        }
        CheckDay(report, rec, i, "KPRQ", "开票日期", lastDay);
        if (!TAXPAYER_CODE.test(AttributeText(rec, "CYRSWSBH"))) {
            AddError(report, RecordPrefix(i) + "的承运人纳税人识别号“" + AttributeText(rec, "CYRSWSBH") + "”不正确！");
        }
        if (TrimText(AttributeText(rec, "CYRMC")) == "") {
            AddError(report, RecordPrefix(i) + "没有承运人名称！");
        }
        var amount = CheckAmount(report, rec, i, "YFJE", "运费金额");
        var deductible = CheckAmount(report, rec, i, "KCSE", "允许抵扣税额");
        if (!isNaN(amount) && !isNaN(deductible)) {
            if (!SameMoney(deductible, amount * 0.07)) {
                AddError(report, RecordPrefix(i) + "的允许抵扣税额(" + MoneyText(Cents(deductible)) +
                         ")不等于运费金额的7%(" + MoneyText(Cents(amount * 0.07)) + ")！");
            }
            freight += Cents(amount);
            tax += Cents(deductible);
        }
        if (/^true$/i.test(AttributeText(rec, "GDZCXM"))) {
            fixedAssets++;
        }
        if (!/^[0-9A-F]{8}$/i.test(AttributeText(rec, "CRC"))) {
            AddError(report, RecordPrefix(i) + "的校验码不正确！");
        }
    }
    report.totals.push(["记录数", String(records.length)]);
    report.totals.push(["运费金额合计", MoneyText(freight)]);
    report.totals.push(["允许抵扣税额合计", MoneyText(tax)]);
    report.totals.push(["固定资产项目记录数", String(fixedAssets)]);
    return ReportText(report);
}

// ---------------------------------------------------------------- HGWSPZ
// Fields: JKSHM, HGMC, TFRQ, HWMC, WSJG, SL, SE, BZ. The tax is the
// dutiable value times the rate.

function hgwspz_CheckFile(path) {
    var report = NewReport();
    var records = LoadDeclaration(path, "HGWSPZ", report);
    if (records === null) {
        return ReportText(report);
    }
    var lastDay = LastDayOf(report.period);
    var seen = {};
    var value = 0;
    var tax = 0;
    for (var i = 0; i < records.length; i++) {
        var rec = records.item(i);
        var number = TrimText(AttributeText(rec, "JKSHM"));
        if (!/^[0-9A-Za-z-]{18,30}$/.test(number)) {
            AddError(report, RecordPrefix(i) + "的缴款书号码“" + number + "”不正确！");
        }
        if (seen[number.toUpperCase()]) {
            AddError(report, RecordPrefix(i) + "的缴款书号码与第" + seen[number.toUpperCase()] + "条记录重复！");
        } else {
            seen[number.toUpperCase()] = i + 1;
        }
        if (TrimText(AttributeText(rec, "HGMC")) == "") {
            AddError(report, RecordPrefix(i) + "没有填发海关！");
        }
        CheckDay(report, rec, i, "TFRQ", "填发日期", lastDay);
        var price = CheckAmount(report, rec, i, "WSJG", "完税价格");
        var rate = AmountOf(rec, "SL");
        if (isNaN(rate) || !(rate > 0 && rate < 1)) {
            AddError(report, RecordPrefix(i) + "的税率“" + AttributeText(rec, "SL") + "”不正确！");
        }
        var duty = CheckAmount(report, rec, i, "SE", "税款金额");
        if (!isNaN(price) && !isNaN(rate) && !isNaN(duty)) {
            if (!SameMoney(duty, price * rate)) {
                AddError(report, RecordPrefix(i) + "的税款金额(" + MoneyText(Cents(duty)) +
                         ")与完税价格、税率不符！");
            }
            value += Cents(price);
            tax += Cents(duty);
        }
    }
    if (records.length > 0 && tax <= 0) {
        AddError(report, "税款金额合计必须大于零！");
    }
    report.totals.push(["记录数", String(records.length)]);
    report.totals.push(["完税价格合计", MoneyText(value)]);
    report.totals.push(["税款金额合计", MoneyText(tax)]);
    return ReportText(report);
}

// ---------------------------------------------------------------- FJWZFPCGL
// Fields: FPHM, KPRQ, XSFSWSBH, XSFMC, HWMC, ZL, JE, KCSE, BZ. The
// deductible tax is 10% of the amount.

function fjwzfpcgl_CheckFile(path) {
    var report = NewReport();
    var records = LoadDeclaration(path, "FJWZFPCGL", report);
    if (records === null) {
        return ReportText(report);
    }
    var lastDay = LastDayOf(report.period);
    var seen = {};
    var amountTotal = 0;
    var tax = 0;
    for (var i = 0; i < records.length; i++) {
        var rec = records.item(i);
        var number = AttributeText(rec, "FPHM");
        if (!/^\d{8,20}$/.test(number)) {
            AddError(report, RecordPrefix(i) + "的发票号码“" + number + "”不正确！");
        }
        if (seen[number]) {
            AddError(report, RecordPrefix(i) + "的发票号码与第" + seen[number] + "条记录重复！");
        } else {
            seen[number] = i + 1;
        }
        CheckDay(report, rec, i, "KPRQ", "开票日期", lastDay);
        if (!TAXPAYER_CODE.test(AttributeText(rec, "XSFSWSBH"))) {
            AddError(report, RecordPrefix(i) + "的销售方纳税人识别号“" + AttributeText(rec, "XSFSWSBH") + "”不正确！");
        }
        if (TrimText(AttributeText(rec, "XSFMC")) == "") {
            AddError(report, RecordPrefix(i) + "没有销售方名称！");
        }
        if (TrimText(AttributeText(rec, "HWMC")) == "") {
            AddError(report, RecordPrefix(i) + "没有货物名称！");
        }
        var amount = CheckAmount(report, rec, i, "JE", "金额");
        var deductible = CheckAmount(report, rec, i, "KCSE", "允许抵扣税额");
        if (!isNaN(amount) && !isNaN(deductible)) {
            if (!SameMoney(deductible, amount * 0.1)) {
                AddError(report, RecordPrefix(i) + "的允许抵扣税额(" + MoneyText(Cents(deductible)) +
                         ")不等于金额的10%(" + MoneyText(Cents(amount * 0.1)) + ")！");
            }
            amountTotal += Cents(amount);
            tax += Cents(deductible);
        }
    }
    report.totals.push(["记录数", String(records.length)]);
    report.totals.push(["金额合计", MoneyText(amountTotal)]);
    report.totals.push(["允许抵扣税额合计", MoneyText(tax)]);
    return ReportText(report);
}
