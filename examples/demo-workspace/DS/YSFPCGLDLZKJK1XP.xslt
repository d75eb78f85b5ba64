<?xml version="1.0" encoding="GBK"?>
<!-- 运输发票清单：固定资产项目（采集类型 DLZK，XP 打印设置） -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="PrintList.xsl"/>
  <xsl:param name="list" select="'fixed'"/>
  <xsl:param name="margin" select="'10mm 8mm 12mm 8mm'"/>
</xsl:stylesheet>
