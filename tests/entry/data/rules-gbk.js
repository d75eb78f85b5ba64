// 规则脚本（GBK 编码）
var 单位 = "元";
function abc_OnGetErrorMessage(code) {
    return "金额不能为负数，单位：" + 单位;
}
function abc_OnBeforePost(period, recNo, amount) {
    if (amount < 0) return 0;
    return 1;
}
