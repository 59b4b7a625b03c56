-- What a hand-made upload does with the sqlite3 shell on the same host
-- database: the same thirteen staging tables in one write transaction (with
-- the Octopus row identities), then each step copied into the attached
-- package file. The script then compresses the file, sends it with curl and
-- marks the staged rows (upload_baseline_mark.sql). @package is the package
-- file's path.
BEGIN IMMEDIATE;
DROP TABLE IF EXISTS bi_BillID_Upload; DROP TABLE IF EXISTS bi_ShiftID_Upload;
DROP TABLE IF EXISTS bi_Bill_Upload; DROP TABLE IF EXISTS bi_BillPayment_Upload;
DROP TABLE IF EXISTS bi_BillItem_Upload; DROP TABLE IF EXISTS bi_SubBill_Upload;
DROP TABLE IF EXISTS bi_UnCheckBill_Upload; DROP TABLE IF EXISTS bi_UnCheckBillPayment_Upload;
DROP TABLE IF EXISTS bi_UnCheckBillItem_Upload; DROP TABLE IF EXISTS bi_OctopusPayment_Upload;
DROP TABLE IF EXISTS bi_Shift_Upload; DROP TABLE IF EXISTS bi_ShiftSum_Upload;
DROP TABLE IF EXISTS bi_ShiftLog_Upload; DROP TABLE IF EXISTS bi_OctopusPaymentID_Upload;
CREATE TABLE bi_BillID_Upload AS SELECT BillID FROM bi_Bill WHERE IsUploaded=0;
CREATE TABLE bi_ShiftID_Upload AS SELECT DISTINCT ShiftID FROM bi_Bill WHERE IsUploaded=0 AND ShiftID<>'';
CREATE TABLE bi_Bill_Upload AS SELECT BL.* FROM bi_Bill AS BL, bi_BillID_Upload AS BID WHERE BL.BillID=BID.BillID;
CREATE TABLE bi_BillPayment_Upload AS SELECT BP.* FROM bi_BillPayment AS BP, bi_Bill_Upload AS BL WHERE BP.BillID=BL.BillID;
CREATE TABLE bi_BillItem_Upload AS SELECT BI.* FROM bi_BillItem AS BI, bi_Bill_Upload AS BL WHERE BI.BillID=BL.BillID;
CREATE TABLE bi_SubBill_Upload AS SELECT SB.* FROM bi_SubBill AS SB, bi_BillItem_Upload AS BI WHERE SB.BillItemID=BI.BillItemID;
CREATE TABLE bi_UnCheckBill_Upload AS SELECT BU.* FROM bi_UnCheckBill AS BU, bi_Bill_Upload AS BL WHERE BU.BillID=BL.BillID;
CREATE TABLE bi_UnCheckBillPayment_Upload AS SELECT BP.* FROM bi_UnCheckBillPayment AS BP, bi_UnCheckBill_Upload AS BL WHERE BP.UnCheckBillID=BL.UnCheckBillID;
CREATE TABLE bi_UnCheckBillItem_Upload AS SELECT BI.* FROM bi_UnCheckBillItem AS BI, bi_UnCheckBill_Upload AS BL WHERE BI.UnCheckBillID=BL.UnCheckBillID;
CREATE TABLE bi_OctopusPayment_Upload AS SELECT * FROM bi_OctopusPayment WHERE IsUploaded=0;
CREATE TABLE bi_Shift_Upload AS SELECT SF.* FROM bi_Shift AS SF, bi_ShiftID_Upload AS SID WHERE SF.ShiftID=SID.ShiftID;
CREATE TABLE bi_ShiftSum_Upload AS SELECT SS.* FROM bi_ShiftSum AS SS, bi_ShiftID_Upload AS SID WHERE SS.ShiftID=SID.ShiftID;
CREATE TABLE bi_ShiftLog_Upload AS SELECT SL.* FROM bi_ShiftLog AS SL, bi_ShiftID_Upload AS SID WHERE SL.ShiftID=SID.ShiftID;
CREATE TABLE bi_OctopusPaymentID_Upload AS SELECT rowid AS LiveRowID, BillID, CardID, DeviceID FROM bi_OctopusPayment WHERE IsUploaded=0;
UPDATE bi_Bill_Upload SET BillID='B01-'||BillID, ShiftID='B01-'||ShiftID, IsUploaded=1;
UPDATE bi_BillPayment_Upload SET BillID='B01-'||BillID;
UPDATE bi_BillItem_Upload SET BillID='B01-'||BillID, BillItemID='B01-'||BillItemID;
UPDATE bi_SubBill_Upload SET BillItemID='B01-'||BillItemID, SubBillID='B01-'||SubBillID;
UPDATE bi_UnCheckBill_Upload SET BillID='B01-'||BillID, ShiftID='B01-'||ShiftID, IsUploaded=1;
UPDATE bi_UnCheckBillPayment_Upload SET BillID='B01-'||BillID;
UPDATE bi_UnCheckBillItem_Upload SET BillID='B01-'||BillID, BillItemID='B01-'||BillItemID;
UPDATE bi_OctopusPayment_Upload SET BillID='B01-'||BillID;
UPDATE bi_Shift_Upload SET ShiftID='B01-'||ShiftID;
UPDATE bi_ShiftSum_Upload SET ShiftID='B01-'||ShiftID;
UPDATE bi_ShiftLog_Upload SET ShiftID='B01-'||ShiftID, ShiftLogID='B01-'||ShiftLogID;
COMMIT;
ATTACH '@package' AS pkg;
PRAGMA pkg.journal_mode=OFF;
PRAGMA pkg.synchronous=OFF;
BEGIN;
CREATE TABLE pkg.bi_Bill AS SELECT * FROM bi_Bill_Upload;
CREATE TABLE pkg.bi_BillPayment AS SELECT * FROM bi_BillPayment_Upload;
CREATE TABLE pkg.bi_BillItem AS SELECT * FROM bi_BillItem_Upload;
CREATE TABLE pkg.bi_SubBill AS SELECT * FROM bi_SubBill_Upload;
CREATE TABLE pkg.bi_UnCheckBill AS SELECT * FROM bi_UnCheckBill_Upload;
CREATE TABLE pkg.bi_UnCheckBillPayment AS SELECT * FROM bi_UnCheckBillPayment_Upload;
CREATE TABLE pkg.bi_UnCheckBillItem AS SELECT * FROM bi_UnCheckBillItem_Upload;
CREATE TABLE pkg.bi_OctopusPayment AS SELECT * FROM bi_OctopusPayment_Upload;
CREATE TABLE pkg.bi_Shift AS SELECT * FROM bi_Shift_Upload;
CREATE TABLE pkg.bi_ShiftSum AS SELECT * FROM bi_ShiftSum_Upload;
CREATE TABLE pkg.bi_ShiftLog AS SELECT * FROM bi_ShiftLog_Upload;
COMMIT;
